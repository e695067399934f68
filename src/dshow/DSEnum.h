#pragma once

#include "platform/Compressors.h"

#include <string>
#include <vector>

// Appends the video (or audio) compressors, in the category's order, to whichever lists are
// given: the display names and, entry for entry, the monikers. Never clears a list, so a caller
// may put entries of its own in front. For another container than AVI the encoders that suit it
// come first, then an entry with an empty name and no moniker, then the rest.
void EnumCompressors(bool Audio, std::vector<std::string>* Names, std::vector<TCompressorMonikerPtr>* Monikers);
void EnumCompressors(bool Audio, std::vector<std::string>* Names, std::vector<TCompressorMonikerPtr>* Monikers,
                     const TOutputContainer& Container);
