#pragma once

#include <string>

// Shortens every track's first edit of an MP4 or MOV file (written without fragments) to at most
// `seconds`, in place, as trimming tools mark an end without removing the samples behind it.
// False when the file has no edit list to shorten.
bool ShortenEditLists(const std::string& fileName, double seconds);
