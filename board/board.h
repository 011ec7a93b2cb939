// The command channel to the board: one function of the maker's library "kessra.dll".
#ifndef VGATV_BOARD_H
#define VGATV_BOARD_H

#include <cstdint>

// The board maker's library is __stdcall; the development stand-in is also built __cdecl, to
// prove that the panel's calls are right with either (board.cpp).
#ifdef KESSRA_CDECL
#define DRAVIK_CONVENTION __cdecl
#else
#define DRAVIK_CONVENTION __stdcall
#endif

// Imported at load time by its plain name; the result means nothing to the program.
extern "C" int DRAVIK_CONVENTION Dravik(std::uint16_t op, std::uint16_t value, std::uint16_t arg);

enum BoardOp : std::uint16_t {
    kOpSaveAll = 0x28, // value: ModeByte, arg: PositionWord
    kOpVga = 0x30,
    kOpTvOnly = 0x31,
    kOpTvVga = 0x32,
};

// Values the ops carry; op 0x32 also carries TvVgaStandard itself.
enum : std::uint16_t {
    kVgaOnly = 0x00,
    kTvOnlyNtsc = 0x00, // also what switches TV-only output on
    kTvOnlyPal = 0x01,
    kScaleOneToOne = 0x10,
    kScaleDown = 0x11,
    kTvVgaOn = 0x20,
    kVgaOn = 0x21,
    kFlickerStep = 0x30,
    kStepRight = 0x40,
    kStepDown = 0x41,
};

// The everyday form, whose third argument repeats the op.
void SendBoard(BoardOp op, std::uint16_t value);
void SendBoardSetting(std::uint8_t modeByte, std::uint16_t position);

#endif
