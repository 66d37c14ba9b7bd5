#include "phasetable.h"

#include <array>

namespace {
// clang-format off
constexpr std::array<PhaseRow, 5> Rows { {
    { "リセットされました",   ButtonFaceColour, 0, nullptr,      0 },
    { "移動中です",           0x00FFFF00,       2, "hajime.wav", 2 },
    { "問題を読んでいます",   0x0000FFFF,       3, "kohyo.wav",  4 },
    { "試験中です",           0x000000FF,       4, "idou.wav",   6 },
    { "フィードバック中です", 0x00FF00FF,       1, "yomu.wav",   0 },
} };
// clang-format on
} // namespace

const PhaseRow &phaseRow(std::uint8_t phase)
{
    return phase < Rows.size() ? Rows[phase] : Rows[0];
}
