// Sends the panel's choices to the board; failures on the board's side are not ours to handle.
#include "board.h"

void SendBoard(BoardOp op, std::uint16_t value)
{
    Dravik(op, value, op);
}

void SendBoardSetting(std::uint8_t modeByte, std::uint16_t position)
{
    Dravik(kOpSaveAll, modeByte, position);
}
