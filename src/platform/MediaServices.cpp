#include "platform/MediaServices.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdlib>

void StartMediaServices()
{
  av_log_set_level(AV_LOG_QUIET);
  // SVT-AV1 prints its banner through its own log, read once from the environment when its
  // first encoder opens. A level the user set is kept.
  setenv("SVT_LOG", "0", 0);
}
