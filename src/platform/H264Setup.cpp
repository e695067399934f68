#include "platform/NalUnits.h"

// What decoding reads of an H.264 sequence parameter set, field by field, the VUI's hints
// passed over.

namespace {

class TH264Reader {
public:
  explicit TH264Reader(TSetupList& list) : FList(list) {}

  void Unit(const uint8_t* nal, size_t size)
  {
    if (size == 0)
      return;
    switch (nal[0] & 0x1F) {
    case 6: // supplemental enhancement information: nothing decoding reads
      return;
    case 7:
      SequenceParameterSet(nal + 1, size - 1);
      return;
    case 8:
      FList.Bytes("picture parameter set", nal, size);
      return;
    default:
      FList.Bytes("parameter set of type " + std::to_string(nal[0] & 0x1F), nal, size);
    }
  }

private:
  TSetupList& FList;
  TNalBits* FBits = nullptr;

  void Same(const char* name, int64_t value) { FList.Same(name, value); }

  void HrdParameters()
  {
    TNalBits& bits = *FBits;
    const uint32_t count = bits.Ue() + 1; // cpb_cnt_minus1
    if (count > 32) {
      bits.Fail();
      return;
    }
    bits.U(4); // bit_rate_scale
    bits.U(4); // cpb_size_scale
    for (uint32_t i = 0; i < count; ++i) {
      bits.Ue(); // bit_rate_value_minus1
      bits.Ue(); // cpb_size_value_minus1
      bits.U(1); // cbr_flag
    }
    bits.U(20); // four delay and offset lengths
  }

  void ScalingList(int size)
  {
    int last = 8, next = 8;
    for (int j = 0; j < size && !FBits->Failed(); ++j) {
      if (next != 0) {
        const int32_t delta = FBits->Se();
        next = (last + delta + 256) % 256;
        Same("scaling list", delta);
      }
      last = next == 0 ? last : next;
    }
  }

  void SequenceParameterSet(const uint8_t* payload, size_t size)
  {
    TNalBits bits(payload, size);
    FBits = &bits;
    const uint32_t profile = bits.U(8);
    Same("profile_idc", profile);
    Same("constraint flags", bits.U(8));
    const uint32_t level = bits.U(8);
    Same("seq_parameter_set_id", bits.Ue());
    switch (profile) {
    case 100:
    case 110:
    case 122:
    case 244:
    case 44:
    case 83:
    case 86:
    case 118:
    case 128:
    case 138:
    case 139:
    case 134:
    case 135: {
      const uint32_t chroma = FList.ChromaFormat(bits);
      Same("bit_depth_luma_minus8", bits.Ue());
      Same("bit_depth_chroma_minus8", bits.Ue());
      Same("qpprime_y_zero_transform_bypass_flag", bits.U(1));
      if (bits.U(1) != 0) // seq_scaling_matrix_present_flag
        for (int i = 0; i < (chroma == 3 ? 12 : 8); ++i) {
          const uint32_t present = bits.U(1);
          Same("seq_scaling_list_present_flag", present);
          if (present != 0)
            ScalingList(i < 6 ? 16 : 64);
        }
      break;
    }
    default:
      break;
    }
    Same("log2_max_frame_num_minus4", bits.Ue());
    const uint32_t pocType = bits.Ue();
    Same("pic_order_cnt_type", pocType);
    if (pocType == 0) {
      Same("log2_max_pic_order_cnt_lsb_minus4", bits.Ue());
    } else if (pocType == 1) {
      Same("delta_pic_order_always_zero_flag", bits.U(1));
      Same("offset_for_non_ref_pic", bits.Se());
      Same("offset_for_top_to_bottom_field", bits.Se());
      const uint32_t cycle = bits.Ue();
      Same("num_ref_frames_in_pic_order_cnt_cycle", cycle);
      for (uint32_t i = 0; i < cycle && i < 256 && !bits.Failed(); ++i)
        Same("offset_for_ref_frame", bits.Se());
    }
    Same("max_num_ref_frames", bits.Ue());
    Same("gaps_in_frame_num_value_allowed_flag", bits.U(1));
    Same("pic_width_in_mbs_minus1", bits.Ue());
    Same("pic_height_in_map_units_minus1", bits.Ue());
    const uint32_t frameMbsOnly = bits.U(1);
    Same("frame_mbs_only_flag", frameMbsOnly);
    if (frameMbsOnly == 0)
      Same("mb_adaptive_frame_field_flag", bits.U(1));
    Same("direct_8x8_inference_flag", bits.U(1));
    if (bits.U(1) != 0) { // frame_cropping_flag
      Same("frame_crop_left_offset", bits.Ue());
      Same("frame_crop_right_offset", bits.Ue());
      Same("frame_crop_top_offset", bits.Ue());
      Same("frame_crop_bottom_offset", bits.Ue());
    }
    // Without a bitstream restriction a decoder assumes the largest reordering.
    uint32_t reorder = 16, buffering = 16;
    bool restricted = false;
    if (bits.U(1) != 0) {   // vui_parameters_present_flag
      if (bits.U(1) != 0) { // aspect_ratio_info_present_flag
        const uint32_t idc = bits.U(8);
        Same("aspect_ratio_idc", idc);
        if (idc == 255) {
          Same("sar_width", bits.U(16));
          Same("sar_height", bits.U(16));
        }
      }
      if (bits.U(1) != 0) // overscan_info_present_flag
        Same("overscan_appropriate_flag", bits.U(1));
      if (bits.U(1) != 0) { // video_signal_type_present_flag
        Same("video_format", bits.U(3));
        Same("video_full_range_flag", bits.U(1));
        if (bits.U(1) != 0) {
          Same("colour_primaries", bits.U(8));
          Same("transfer_characteristics", bits.U(8));
          Same("matrix_coefficients", bits.U(8));
        }
      }
      if (bits.U(1) != 0) { // chroma_loc_info_present_flag
        Same("chroma_sample_loc_type_top_field", bits.Ue());
        Same("chroma_sample_loc_type_bottom_field", bits.Ue());
      }
      // The frame rate and the rate control's promises: nothing a picture depends on.
      if (bits.U(1) != 0) // timing_info_present_flag
        bits.U(32), bits.U(32), bits.U(1);
      const uint32_t nalHrd = bits.U(1);
      if (nalHrd != 0)
        HrdParameters();
      const uint32_t vclHrd = bits.U(1);
      if (vclHrd != 0)
        HrdParameters();
      if (nalHrd != 0 || vclHrd != 0)
        bits.U(1);          // low_delay_hrd_flag
      bits.U(1);            // pic_struct_present_flag
      if (bits.U(1) != 0) { // bitstream_restriction_flag
        bits.U(1);          // motion_vectors_over_pic_boundaries_flag
        for (int i = 0; i < 4; ++i)
          bits.Ue(); // bytes, bits and motion vector length limits
        reorder = bits.Ue();
        buffering = bits.Ue();
        restricted = true;
      }
    }
    // The output declares the first file's reordering; a later file may reorder less. Without a
    // bitstream restriction a decoder sizes its picture buffer by the level.
    FList.AtMost("max_num_reorder_frames", reorder);
    FList.AtMost("max_dec_frame_buffering", buffering);
    if (!restricted)
      FList.AtMost("level_idc", level);
    FBits = nullptr;
    if (bits.Failed())
      FList.Bytes("unreadable sequence parameter set", payload, size);
  }
};


} // namespace

void ReadH264Unit(TSetupList& List, const uint8_t* Nal, size_t Size)
{
  TH264Reader(List).Unit(Nal, Size);
}
