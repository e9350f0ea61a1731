#pragma once
// Fixed texts of the main window, the about box and the user-message window
// that are not messages (captions, hints, product lines). The messages the
// shell shows come from core/texts.h.

namespace zu::text {

inline constexpr char AppTitle[] = "ZU Communication Program";
inline constexpr char MainCaption[] = "ZU Series Temperature Controllers - Communication Program";

// Tool bar hints
inline constexpr char HintPcProtocol[] = "Set communication protocol of PC";
inline constexpr char HintModuleProtocol[] = "Module product communication protocol setting";
inline constexpr char HintMonitor[] = "Monitor program";
inline constexpr char HintRecorder[] = "Recorder program";

// About box
inline constexpr char AboutProductLine[] = "ZU Temperature Controllers";
inline constexpr char AboutProgram[] = "Communication Program";
inline constexpr char AboutVersion[] = "Version " ZUCOMM_VERSION;
inline constexpr char AboutResolution[] = "Recommanded Display Resolution 800 x 600 or above";
inline constexpr char AboutOwnership[] = "(c) 2026 the zucomm developers";

inline constexpr char UserMessageCaption[] = "USER MESSAGE";

} // namespace zu::text
