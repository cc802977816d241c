#pragma once
// The payloads of the write frames as "Send Config" builds them from the
// screen. The comparison of what a switch holds encodes both screens the
// same way, so that it compares exactly what travels.
//
// The parser slots are shared from channel to channel, as the bus module's
// are: a channel with no destination box ticked carries the address the
// channel before it left there.

#include "buslink/field_parsers.h"
#include "buslink/frame_codec.h"
#include "editor/config_screen.h"

namespace kavro {

// Bytes 9..11 of the switch address frame.
void EncodeSwitchAddress(const ConfigScreen& screen, ParserSlots& slots, FrameBuffer& frame);
// Bytes 9..30 of channel c's record: its number and three event blocks.
void EncodeChannelRecord(const ConfigScreen& screen, int c, ParserSlots& slots, FrameBuffer& frame);
// Bytes 9..32 of the source group table.
void EncodeSourceGroups(const ConfigScreen& screen, ParserSlots& slots, FrameBuffer& frame);

}  // namespace kavro
