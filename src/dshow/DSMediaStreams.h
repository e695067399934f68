#pragma once

#include "platform/MediaDet.h"

#include <functional>
#include <string>

// Opens FileName in Detector and calls Visit with each of its streams made current, passing the
// stream's length in seconds. A failing detector call raises its DirectShow error.
void ForEachMediaStream(TMediaDet& Detector, const std::string& FileName,
                        const std::function<void(double Length)>& Visit);
