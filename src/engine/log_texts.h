// The worker's log texts that hosts read, in one place. sd_kavosynth learns
// from them that the engine started or failed to, and that the engine refused
// a piece (a request that then ends without its end call): a change to one of
// these texts, or to the refused piece's line around its " text: " label,
// changes what the module understands. The texts are used exactly as written.
#pragma once

namespace kavo {

inline constexpr char16_t kLogEngineReady[] = u"合成线程准备就绪";
// No engine, or one lacking an entry point.
inline constexpr char16_t kLogEngineFailed[] = u"合成接口初始化失败";
// These three begin lines that go on with " error: ...".
inline constexpr char16_t kLogEngineNotLoaded[] = u"dll加载失败";
inline constexpr char16_t kLogEngineLoginFailed[] = u"登录失败";
inline constexpr char16_t kLogPieceRefused[] = u"开始合成会话失败";
// In the refused piece's line: what comes before the piece, which runs to the line's end.
inline constexpr char16_t kLogPieceRefusedText[] = u" text: ";

}  // namespace kavo
