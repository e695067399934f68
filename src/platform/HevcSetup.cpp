#include "platform/NalUnits.h"

#include <algorithm>
#include <string>

// What decoding reads of HEVC video and sequence parameter sets, field by field. Passed over:
// the levels (conformance promises; the buffers are sized by the parameter sets themselves), and
// the timing, HRD and bitstream restriction of the VPS and the VUI, which encoders fill in from
// the frame rate and rate control.

namespace {

class THevcReader {
public:
  THevcReader(TSetupList& list, TNalBits& bits) : FList(list), FBits(bits) {}

  void VideoParameterSet()
  {
    Same("vps_video_parameter_set_id", FBits.U(4));
    Same("vps_base_layer flags", FBits.U(2));
    Same("vps_max_layers_minus1", FBits.U(6));
    const uint32_t subLayers = FBits.U(3);
    Same("vps_max_sub_layers_minus1", subLayers);
    Same("vps_temporal_id_nesting_flag", FBits.U(1));
    FBits.U(16); // vps_reserved_0xffff_16bits
    ProfileTierLevel(subLayers);
    SubLayerOrdering(subLayers);
    const uint32_t maxLayerId = FBits.U(6);
    Same("vps_max_layer_id", maxLayerId);
    const uint32_t layerSets = FBits.Ue();
    Same("vps_num_layer_sets_minus1", layerSets);
    if (layerSets > 1023)
      return FBits.Fail();
    for (uint32_t i = 1; i <= layerSets && !FBits.Failed(); ++i)
      for (uint32_t j = 0; j <= maxLayerId; ++j)
        Same("layer_id_included_flag", FBits.U(1));
    // What follows is timing and HRD, and extensions for more than one layer.
  }

  void SequenceParameterSet()
  {
    Same("sps_video_parameter_set_id", FBits.U(4));
    const uint32_t subLayers = FBits.U(3);
    Same("sps_max_sub_layers_minus1", subLayers);
    Same("sps_temporal_id_nesting_flag", FBits.U(1));
    ProfileTierLevel(subLayers);
    Same("sps_seq_parameter_set_id", FBits.Ue());
    FList.ChromaFormat(FBits);
    Same("pic_width_in_luma_samples", FBits.Ue());
    Same("pic_height_in_luma_samples", FBits.Ue());
    if (FBits.U(1) != 0) // conformance_window_flag
      for (const char* name : {"conf_win_left_offset", "conf_win_right_offset", "conf_win_top_offset",
                               "conf_win_bottom_offset"})
        Same(name, FBits.Ue());
    Same("bit_depth_luma_minus8", FBits.Ue());
    Same("bit_depth_chroma_minus8", FBits.Ue());
    const uint32_t pocBits = FBits.Ue() + 4;
    Same("log2_max_pic_order_cnt_lsb_minus4", pocBits - 4);
    SubLayerOrdering(subLayers);
    for (const char* name : {"log2_min_luma_coding_block_size_minus3", "log2_diff_max_min_luma_coding_block_size",
                             "log2_min_luma_transform_block_size_minus2", "log2_diff_max_min_luma_transform_block_size",
                             "max_transform_hierarchy_depth_inter", "max_transform_hierarchy_depth_intra"})
      Same(name, FBits.Ue());
    const uint32_t scaling = FBits.U(1);
    Same("scaling_list_enabled_flag", scaling);
    if (scaling != 0) {
      const uint32_t data = FBits.U(1);
      Same("sps_scaling_list_data_present_flag", data);
      if (data != 0)
        ScalingListData();
    }
    Same("amp_enabled_flag", FBits.U(1));
    Same("sample_adaptive_offset_enabled_flag", FBits.U(1));
    const uint32_t pcm = FBits.U(1);
    Same("pcm_enabled_flag", pcm);
    if (pcm != 0) {
      Same("pcm_sample_bit_depths", FBits.U(8));
      Same("log2_min_pcm_luma_coding_block_size_minus3", FBits.Ue());
      Same("log2_diff_max_min_pcm_luma_coding_block_size", FBits.Ue());
      Same("pcm_loop_filter_disabled_flag", FBits.U(1));
    }
    ShortTermRefPicSets();
    const uint32_t longTerm = FBits.U(1);
    Same("long_term_ref_pics_present_flag", longTerm);
    if (longTerm != 0) {
      const uint32_t count = FBits.Ue();
      Same("num_long_term_ref_pics_sps", count);
      if (count > 32)
        return FBits.Fail();
      for (uint32_t i = 0; i < count; ++i) {
        Same("lt_ref_pic_poc_lsb_sps", FBits.U(int(pocBits)));
        Same("used_by_curr_pic_lt_sps_flag", FBits.U(1));
      }
    }
    Same("sps_temporal_mvp_enabled_flag", FBits.U(1));
    Same("strong_intra_smoothing_enabled_flag", FBits.U(1));
    if (FBits.U(1) != 0) // vui_parameters_present_flag
      Vui(subLayers);
    // The extensions (range, multilayer, ...) change decoding: every bit that is left counts.
    Same("sps extensions", int64_t(FBits.Rest()));
  }

private:
  TSetupList& FList;
  TNalBits& FBits;

  void Same(const std::string& name, int64_t value) { FList.Same(name, value); }

  int64_t Bits48()
  {
    const int64_t high = FBits.U(24);
    return high << 24 | FBits.U(24);
  }

  void ProfileTierLevel(uint32_t subLayers)
  {
    Same("general_profile_space, tier and profile_idc", FBits.U(8));
    Same("general_profile_compatibility_flags", FBits.U(32));
    Same("general constraint flags", Bits48());
    FBits.U(8); // general_level_idc
    uint32_t profilePresent = 0, levelPresent = 0;
    for (uint32_t i = 0; i < subLayers; ++i) {
      profilePresent |= FBits.U(1) << i;
      levelPresent |= FBits.U(1) << i;
    }
    if (subLayers > 0)
      for (uint32_t i = subLayers; i < 8; ++i)
        FBits.U(2); // reserved_zero_2bits
    for (uint32_t i = 0; i < subLayers; ++i) {
      if ((profilePresent >> i & 1) != 0) {
        Same("sub_layer profile", FBits.U(8));
        Same("sub_layer compatibility", FBits.U(32));
        Same("sub_layer constraints", Bits48());
      }
      if ((levelPresent >> i & 1) != 0)
        FBits.U(8); // sub_layer_level_idc
    }
  }

  // The output declares the first file's buffering and reordering; a later file may need less.
  void SubLayerOrdering(uint32_t subLayers)
  {
    const uint32_t present = FBits.U(1);
    for (uint32_t i = present != 0 ? 0 : subLayers; i <= subLayers; ++i) {
      FList.AtMost("max_dec_pic_buffering_minus1", FBits.Ue());
      FList.AtMost("max_num_reorder_pics", FBits.Ue());
      Same("max_latency_increase_plus1", FBits.Ue());
    }
  }

  void ScalingListData()
  {
    for (int sizeId = 0; sizeId < 4; ++sizeId)
      for (int matrixId = 0; matrixId < 6; matrixId += sizeId == 3 ? 3 : 1) {
        const uint32_t predicted = FBits.U(1);
        Same("scaling_list_pred_mode_flag", predicted);
        if (predicted == 0) {
          Same("scaling_list_pred_matrix_id_delta", FBits.Ue());
          continue;
        }
        if (sizeId > 1)
          Same("scaling_list_dc_coef_minus8", FBits.Se());
        const int coefficients = std::min(64, 1 << (4 + (sizeId << 1)));
        for (int i = 0; i < coefficients && !FBits.Failed(); ++i)
          Same("scaling_list_delta_coef", FBits.Se());
      }
  }

  void ShortTermRefPicSets()
  {
    const uint32_t count = FBits.Ue();
    Same("num_short_term_ref_pic_sets", count);
    if (count > 64)
      return FBits.Fail();
    std::vector<uint32_t> deltaPocs; // NumDeltaPocs of each set
    for (uint32_t i = 0; i < count && !FBits.Failed(); ++i) {
      const uint32_t predicted = i != 0 ? FBits.U(1) : 0;
      Same("inter_ref_pic_set_prediction_flag", predicted);
      if (predicted != 0) {
        Same("delta_rps_sign", FBits.U(1));
        Same("abs_delta_rps_minus1", FBits.Ue());
        // Predicted from the set before: one entry more than that one has.
        uint32_t own = 0;
        for (uint32_t j = 0; j <= deltaPocs.back(); ++j) {
          const uint32_t used = FBits.U(1);
          Same("used_by_curr_pic_flag", used);
          const uint32_t useDelta = used != 0 ? 1 : FBits.U(1);
          Same("use_delta_flag", useDelta);
          own += useDelta;
        }
        deltaPocs.push_back(own);
      } else {
        const uint32_t negative = FBits.Ue();
        const uint32_t positive = FBits.Ue();
        Same("num_negative_pics", negative);
        Same("num_positive_pics", positive);
        if (negative > 16 || positive > 16)
          return FBits.Fail();
        for (uint32_t j = 0; j < negative + positive; ++j) {
          Same("delta_poc_minus1", FBits.Ue());
          Same("used_by_curr_pic_flag", FBits.U(1));
        }
        deltaPocs.push_back(negative + positive);
      }
    }
  }

  void Vui(uint32_t subLayers)
  {
    if (FBits.U(1) != 0) { // aspect_ratio_info_present_flag
      const uint32_t idc = FBits.U(8);
      Same("aspect_ratio_idc", idc);
      if (idc == 255)
        Same("sar_width and sar_height", FBits.U(32));
    }
    if (FBits.U(1) != 0) // overscan_info_present_flag
      Same("overscan_appropriate_flag", FBits.U(1));
    if (FBits.U(1) != 0) { // video_signal_type_present_flag
      Same("video_format and video_full_range_flag", FBits.U(4));
      if (FBits.U(1) != 0)
        Same("colour_primaries, transfer_characteristics and matrix_coeffs", FBits.U(24));
    }
    if (FBits.U(1) != 0) { // chroma_loc_info_present_flag
      Same("chroma_sample_loc_type_top_field", FBits.Ue());
      Same("chroma_sample_loc_type_bottom_field", FBits.Ue());
    }
    Same("neutral_chroma_indication_flag", FBits.U(1));
    Same("field_seq_flag", FBits.U(1));
    Same("frame_field_info_present_flag", FBits.U(1));
    if (FBits.U(1) != 0) // default_display_window_flag
      for (const char* name : {"def_disp_win_left_offset", "def_disp_win_right_offset", "def_disp_win_top_offset",
                               "def_disp_win_bottom_offset"})
        Same(name, FBits.Ue());
    // The frame rate and the rate control's promises: nothing a picture depends on.
    if (FBits.U(1) != 0) { // vui_timing_info_present_flag
      FBits.U(32);
      FBits.U(32);
      if (FBits.U(1) != 0) // vui_poc_proportional_to_timing_flag
        FBits.Ue();
      if (FBits.U(1) != 0) // vui_hrd_parameters_present_flag
        HrdParameters(subLayers);
    }
    if (FBits.U(1) != 0) { // bitstream_restriction_flag
      FBits.U(3);          // tiles, motion vectors and reference list promises
      for (int i = 0; i < 5; ++i)
        FBits.Ue(); // segmentation, size and motion vector length limits
    }
  }

  void HrdParameters(uint32_t subLayers)
  {
    const uint32_t nal = FBits.U(1);
    const uint32_t vcl = FBits.U(1);
    uint32_t subPicture = 0;
    if (nal != 0 || vcl != 0) {
      subPicture = FBits.U(1);
      if (subPicture != 0)
        FBits.U(19); // tick divisor, delay increment length, SEI flag, output delay length
      FBits.U(8);    // bit_rate_scale, cpb_size_scale
      if (subPicture != 0)
        FBits.U(4); // cpb_size_du_scale
      FBits.U(15);  // three delay lengths
    }
    for (uint32_t i = 0; i <= subLayers && !FBits.Failed(); ++i) {
      const uint32_t fixedGeneral = FBits.U(1);
      const uint32_t fixedWithin = fixedGeneral != 0 ? 1 : FBits.U(1);
      uint32_t lowDelay = 0;
      if (fixedWithin != 0)
        FBits.Ue(); // elemental_duration_in_tc_minus1
      else
        lowDelay = FBits.U(1);
      const uint32_t count = lowDelay == 0 ? FBits.Ue() + 1 : 1;
      if (count > 32)
        return FBits.Fail();
      for (uint32_t kind = 0; kind < nal + vcl; ++kind)
        for (uint32_t j = 0; j < count; ++j) {
          FBits.Ue(); // bit_rate_value_minus1
          FBits.Ue(); // cpb_size_value_minus1
          if (subPicture != 0) {
            FBits.Ue(); // cpb_size_du_value_minus1
            FBits.Ue(); // bit_rate_du_value_minus1
          }
          FBits.U(1); // cbr_flag
        }
    }
  }
};

} // namespace

void ReadHevcUnit(TSetupList& List, const uint8_t* Nal, size_t Size)
{
  if (Size < 2)
    return List.Bytes("truncated NAL unit", Nal, Size);
  const int type = (Nal[0] >> 1) & 0x3F;
  switch (type) {
  case 39: // supplemental enhancement information, before and after pictures: nothing decoding reads
  case 40:
    return;
  case 32:
  case 33: {
    TNalBits bits(Nal + 2, Size - 2);
    THevcReader reader(List, bits);
    if (type == 32)
      reader.VideoParameterSet();
    else
      reader.SequenceParameterSet();
    if (bits.Failed())
      List.Bytes(type == 32 ? "unreadable video parameter set" : "unreadable sequence parameter set", Nal, Size);
    return;
  }
  case 34:
    return List.Bytes("picture parameter set", Nal, Size);
  default:
    return List.Bytes("parameter set of type " + std::to_string(type), Nal, Size);
  }
}
