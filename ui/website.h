// The maker's web address and credit lines, shared by the main window's
// logo, the about window and the help window.
#pragma once

namespace dw {

inline constexpr const char* kMakerWebAddress = "https://driftwake.example/";

// Shown above the year label ("Copyright" and the current year).
inline constexpr const char* kCreditLines = "Driftwake\n"
                                            "Space racing cards\n"
                                            "by the Driftwake developers";

// The licence of the whole program as the about window names it; the help's
// license page, the AppStream metainfo and the package's copyright file name
// the same one.
inline constexpr const char* kLicenceLine = "Free software under the MIT licence";

} // namespace dw
