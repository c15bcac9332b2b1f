// The wizard's own pictures, drawn at run time with the texts of the loaded language: the title strips,
// the bottom strip, the logo, the recovery-mode page's background and mode buttons, and the link buttons
// of the title strip. Each is registered under its bitmap id unless the resources hold one.
#pragma once

#include <array>

namespace wizard_skin {

inline constexpr int kTitleHeight = 80;
inline constexpr int kBottomHeight = 50;
inline constexpr int kStripWidth = 1000;
inline constexpr int kLinkHeight = 22;

inline constexpr unsigned kLogo = 145;
inline constexpr unsigned kBottom = 133;
inline constexpr unsigned kModeBackground = 506;
inline constexpr unsigned kModeComment = 152;
// Title strips: page 0, then by mode and page.
inline constexpr std::array<unsigned, 12> kTitles = {134, 515, 517, 518, 519, 520, 521, 523, 524, 545, 546, 547};

// Link buttons: normal, hover, pushed and disabled faces.
inline constexpr std::array<unsigned, 4> kHomeLink = {509, 508, 510, 507};
inline constexpr std::array<unsigned, 4> kSupportLink = {407, 406, 405, 404};
inline constexpr std::array<unsigned, 4> kAboutLink = {513, 512, 514, 511};
inline constexpr std::array<unsigned, 4> kLanguageLink = {593, 592, 591, 590};

// Mode buttons of page 0: normal, hover, pushed and disabled faces.
inline constexpr std::array<unsigned, 4> kDeletedMode = {190, 189, 188, 190};
inline constexpr std::array<unsigned, 4> kFormatMode = {187, 186, 185, 187};
inline constexpr std::array<unsigned, 4> kPartitionMode = {193, 192, 191, 193};
inline constexpr std::array<unsigned, 4> kPhotoMode = {223, 222, 221, 223};
inline constexpr int kModeWidth = 210;
inline constexpr int kModeHeight = 250;

} // namespace wizard_skin

// Registers the pictures for the ids the resources lack; again after a language bundle was loaded.
void InstallWizardSkin();
