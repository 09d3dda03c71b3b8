#pragma once
// The library's string table of Russian messages and captions, ids 101 to 123.
#include <string>

namespace Plugin {

enum MessageId : int {
    IdCannotOpenFile = 101,
    IdFormatGroup = 102,
    IdModeCaption = 103,
    IdNameGroup = 104,
    IdStartCaption = 105,
    IdLengthCaption = 106,
    IdCodeGroup = 107,
    IdInvalidNumber = 108,
    IdInvalidLayout = 109,
    IdErrorCaption = 110,
    IdWrongMode = 111,
    IdEarlyVersion = 112,
    IdWrongFormat = 113,
    IdDuplicateStation = 114,
    IdNoStationName = 115,
    IdNoPointName = 116,
    IdNoStationDeclared = 117,
    IdUnsupportedCommands = 118,
    IdTargetNamedLikeStation = 119,
    IdInstrumentHeightChanged = 120,
    IdYes = 121,
    IdNo = 122,
    IdNameFromAddress = 123,
};

// The text with the given id; an id that is not in the table gives an empty text. Throws
// HResultError E_OUTOFMEMORY when the text cannot be copied.
std::wstring LoadMessageText(int id);

}  // namespace Plugin
