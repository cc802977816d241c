#pragma once
// The field parsers as the message builders call them: by the index of a
// screen control, reading its current text into the bus module's slots.

#include "buslink/field_parsers.h"
#include "editor/config_screen.h"

namespace kavro {

void ParseAddrText(const ConfigScreen& screen, int index, ParserSlots& slots);      // ADDR 1 or 3
void ParseSpecAddrText(const ConfigScreen& screen, int index, ParserSlots& slots);  // SpecAddr c
void ParseSrcGroupText(const ConfigScreen& screen, int index, ParserSlots& slots);  // SwSrcGroup c, reversed
void ParseDataText(const ConfigScreen& screen, int index, ParserSlots& slots);      // SW_Data 3c+e
void ParsePriText(const ConfigScreen& screen, int index, ParserSlots& slots);       // PRI c

}  // namespace kavro
