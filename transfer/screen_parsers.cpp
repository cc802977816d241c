#include "transfer/screen_parsers.h"

namespace kavro {

void ParseAddrText(const ConfigScreen& screen, int index, ParserSlots& slots) {
    ParseAddressText(screen.ADDR[index].text(), slots);
}

void ParseSpecAddrText(const ConfigScreen& screen, int index, ParserSlots& slots) {
    ParseAddressText(screen.SpecAddr[index].text(), slots);
}

void ParseSrcGroupText(const ConfigScreen& screen, int index, ParserSlots& slots) {
    ParseReversedAddressText(screen.SwSrcGroup[index].text(), slots);
}

void ParseDataText(const ConfigScreen& screen, int index, ParserSlots& slots) {
    ParseDataValueText(screen.SW_Data[index].text(), slots);
}

void ParsePriText(const ConfigScreen& screen, int index, ParserSlots& slots) {
    ParsePriorityText(screen.PRI[index].text(), slots);
}

}  // namespace kavro
