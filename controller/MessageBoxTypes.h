// The types and answers of the message boxes that controllers ask their pages to show. The values are
// those of the Win32 message-box flags, so that the pages hand them on unchanged.
#pragma once

namespace wizmsg {

inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconWarning = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr unsigned kDefaultButton2 = 0x100;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

} // namespace wizmsg
