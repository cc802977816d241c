#pragma once
// Texts the report did not write itself (a label, a file name, a site's
// name, a result from the journal) put into HTML or SVG: made UTF-8,
// their markup characters written as references, so that a label
// "<script>" or "&" shows as typed and a page never runs or loads
// anything a text brought. Control characters, which XML does not allow
// in an SVG picture, become U+FFFD.

#include <string>
#include <string_view>

namespace kavro {

// For element content and attribute values alike: & < > " ' escaped.
std::string MarkupText(std::string_view text);

}  // namespace kavro
