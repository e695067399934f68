#include "dshow/DSMediaStreams.h"

#include "dshow/DSErrors.h"

void ForEachMediaStream(TMediaDet& Detector, const std::string& FileName,
                        const std::function<void(double Length)>& Visit)
{
  CheckDSError(Detector.put_Filename(FileName));
  int32_t count = 0;
  CheckDSError(Detector.get_OutputStreams(count));
  for (int32_t i = 0; i < count; ++i) {
    CheckDSError(Detector.put_CurrentStream(i));
    double length = 0;
    CheckDSError(Detector.get_StreamLength(length));
    Visit(length);
  }
}
