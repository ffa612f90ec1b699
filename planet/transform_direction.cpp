#include "planet/transform_direction.h"

namespace gravelkin {

namespace {

// How a pair of faces relates the in-face directions.
enum class Turn : std::uint8_t {
    None,          // same axes
    ReverseBoth,   // both axes point the other way
    ReverseY,      // the y axis points the other way, x is kept
    SwapPositive,  // +y becomes -x, +x becomes +y
    SwapNegative,  // +y becomes +x, +x becomes -y
};

Turn turnBetween(std::uint8_t fromFace, std::uint8_t toFace) {
    constexpr Turn N = Turn::None;
    constexpr Turn B = Turn::ReverseBoth;
    constexpr Turn Y = Turn::ReverseY;
    constexpr Turn P = Turn::SwapPositive;
    constexpr Turn M = Turn::SwapNegative;
    // [from][to]. The ring of faces 0..3 shares its axes; faces 4 and 5 meet
    // it with their axes swapped or reversed.
    constexpr Turn table[6][6] = {
        /* from 0 */ {N, N, N, N, N, B},
        /* from 1 */ {N, N, N, N, P, P},
        /* from 2 */ {N, N, N, N, B, N},
        /* from 3 */ {N, N, N, N, M, M},
        /* from 4 */ {N, M, B, P, N, Y},
        /* from 5 */ {B, M, N, P, Y, N},
    };
    if (fromFace >= 6 || toFace >= 6) return N;  // not a face: nothing to turn
    return table[fromFace][toFace];
}

}  // namespace

Direction transformDirection(Direction direction, std::uint8_t fromFace, std::uint8_t toFace) {
    const Direction d = direction;
    if (fromFace == toFace || d == Outward || d == Inward) return d;
    switch (turnBetween(fromFace, toFace)) {
        case Turn::None:
            return d;
        case Turn::ReverseBoth:
            return opposite(d);
        case Turn::ReverseY:
            return d == PlusY ? MinusY : d == MinusY ? PlusY : d;
        case Turn::SwapPositive:
            switch (d) {
                case PlusY: return MinusX;
                case MinusY: return PlusX;
                case PlusX: return PlusY;
                case MinusX: return MinusY;
                default: return d;
            }
        case Turn::SwapNegative:
            switch (d) {
                case PlusY: return PlusX;
                case MinusY: return MinusX;
                case PlusX: return MinusY;
                case MinusX: return PlusY;
                default: return d;
            }
    }
    return d;
}

}  // namespace gravelkin
