#pragma once

// Readies FFmpeg for either program; call once, first thing in main, before any thread starts.
// The programs report failures as exceptions with their own messages, so the libraries' log
// lines (warnings, encoder banners, the complaints of encoders that cannot open while the
// compressor lists are built) would only be noise on standard error.
void StartMediaServices();
