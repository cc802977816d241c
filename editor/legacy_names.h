#pragma once
// The names earlier versions of this tool gave the windows, their controls
// and the routines behind them. They live in two places only: this table,
// and the Qt object names, which the window takes from the constants below
// ("_" and the index for a member of a control array). A control known by
// its earlier name is traced through the table to the model member or
// function that holds its logic, and to the widget.

#include <array>
#include <string>

namespace kavro::legacy {

// Qt object names of the main window.
inline constexpr char kMainWindow[] = "frmMain";
inline constexpr char kCommands[] = "Combo1";          // control array, index 3c+e
inline constexpr char kData[] = "SW_Data";             // 3c+e
inline constexpr char kRanges[] = "RANGE";             // 3c+e
inline constexpr char kEventNames[] = "Label2";        // 8e+c
inline constexpr char kDestinationBoxes[] = "Check1";  // 3c, 3c+1, 3c+2, 24+c
inline constexpr char kSeq[] = "Check3";               // c
inline constexpr char kMotorAddress[] = "SpecAddr";    // c
inline constexpr char kMotorAddressLabel[] = "SpecLbl";
inline constexpr char kSourceGroupAddress[] = "SwSrcGroup";
inline constexpr char kLockPriority[] = "PRI";
inline constexpr char kLockPriorityLabel[] = "PRILBL";
inline constexpr char kChannelFrame[] = "Frame";  // Frame1 .. Frame8, numbered from 1
inline constexpr char kPointToPointAddress[] = "ADDR_1";
inline constexpr char kSwitchAddress[] = "ADDR_3";
inline constexpr char kUseSwitchAddress[] = "UseSwPP";
inline constexpr char kFirmwareVersion[] = "SW_FIRMWARE";
inline constexpr char kClearData[] = "Command1";
inline constexpr const char* kShowOptions[] = {"opt13", "opt16", "opt78", "optAll"};
inline constexpr char kReadSwitch[] = "GET_DATA";
inline constexpr char kWriteSwitch[] = "SEND_DATA";
inline constexpr char kImport[] = "Import";
inline constexpr char kExport[] = "Export";
inline constexpr char kCompare[] = "Compare";
inline constexpr char kSelectPort[] = "SelComm";
inline constexpr char kDiagnostic[] = "DIAG";
// The port selection and diagnostic windows.
inline constexpr char kPortSelection[] = "xfrmCommPortSelection";
inline constexpr char kPortList[] = "xcbxCommPort";
inline constexpr char kChangePort[] = "xcmdChangeCommPort";
inline constexpr char kCancelPort[] = "xcmdCancel";
inline constexpr char kDiagnosticWindow[] = "frm_Diagnostic";
inline constexpr char kTrafficText[] = "txtComWindow";
inline constexpr char kMessageText[] = "Label1";  // in every message window

inline std::string ObjectName(const char* arrayName, int index) { return arrayName + ("_" + std::to_string(index)); }

// legacy name -> where its logic lives -> the widget's object name.
struct LegacyName {
    const char* legacy;
    const char* logic;
    const char* widget;  // "" for what has no widget of its own
};

inline constexpr std::array kLegacyNames{
    LegacyName{"frmMain", "Application (shell/application.h); MainWindow shows it", kMainWindow},
    LegacyName{"Form_Load", "Application::start; CommPortSelection::open", ""},
    LegacyName{"Form_Unload", "Application::shutDown", ""},
    LegacyName{"Form_KeyDown", "ConfigScreen::keyDown", ""},
    LegacyName{"GET_DATA_Click", "Application::readSwitch -> SwitchTransfer::readSwitch", kReadSwitch},
    LegacyName{"SEND_DATA_Click", "Application::writeSwitch -> SwitchTransfer::writeSwitch", kWriteSwitch},
    LegacyName{"Import_Click", "Application::importConfig -> ConfigFileCommands", kImport},
    LegacyName{"Export_Click", "Application::exportConfig -> ConfigFileCommands", kExport},
    LegacyName{"Compare_Click", "Application::compareWithFile -> ConfigFileCommands", kCompare},
    LegacyName{"SelComm_Click", "Application::selectPort", kSelectPort},
    LegacyName{"DIAG_Click", "Application::showDiagnostic", kDiagnostic},
    LegacyName{"Command1_Click", "ConfigScreen::clearData", kClearData},
    LegacyName{"Combo1 / Combo1_Click", "ConfigScreen::commands, commandChosen", kCommands},
    LegacyName{"EventCommandCode", "ConfigScreen::commandCode()", ""},
    LegacyName{"CommandNames / FillCommandLists", "kCommands (editor/command_catalogue.h)", ""},
    LegacyName{"SW_Data", "ConfigScreen::data", kData},
    LegacyName{"RANGE", "ConfigScreen::ranges", kRanges},
    LegacyName{"Label2", "ConfigScreen::eventNames", kEventNames},
    LegacyName{"Check1 / Check1_Click", "ConfigScreen::destinationBoxes, destinationClicked", kDestinationBoxes},
    LegacyName{"CheckControlBusy", "ConfigScreen::applyingDestination()", ""},
    LegacyName{"Check3 / Check3_Click", "ConfigScreen::seq, seqClicked", kSeq},
    LegacyName{"SpecAddr", "ConfigScreen::motorAddress", kMotorAddress},
    LegacyName{"SpecLbl", "ConfigScreen::motorAddressLabel", kMotorAddressLabel},
    LegacyName{"SwSrcGroup", "ConfigScreen::sourceGroupAddress", kSourceGroupAddress},
    LegacyName{"PRI / UpdateLockPriority", "ConfigScreen::lockPriority, updateLockPriority", kLockPriority},
    LegacyName{"PRILBL", "ConfigScreen::lockPriorityLabel", kLockPriorityLabel},
    LegacyName{"ADDR(1)", "ConfigScreen::ppMotorAddress", kPointToPointAddress},
    LegacyName{"ADDR(3)", "ConfigScreen::switchAddress", kSwitchAddress},
    LegacyName{"UseSwPP", "ConfigScreen::useSwitchAddress", kUseSwitchAddress},
    LegacyName{"SW_FIRMWARE", "ConfigScreen::firmwareVersion", kFirmwareVersion},
    LegacyName{"Frame1 .. Frame8", "ConfigScreen::frames", kChannelFrame},
    LegacyName{"opt13 opt16 opt78 optAll", "ConfigScreen::show1to3 .. showAll", kShowOptions[0]},
    LegacyName{"Module2", "BusLink (buslink/bus_link.h)", ""},
    LegacyName{"SendFrame / ReceiveFrame / WaitMs", "BusLink::sendFrame, receiveFrame, pause", ""},
    LegacyName{"TransmitBuffer / ReceiveBuffer", "SwitchTransfer's frame under construction, BusLink::reply", ""},
    LegacyName{"AddrByte1..3 / DataByte1..2", "ParserSlots (buslink/field_parsers.h)", ""},
    LegacyName{"MSComm1 / Timer1", "SerialPort, EventPump (platform/)", ""},
    LegacyName{"ParseAddrText .. ParsePriText", "buslink/field_parsers.h", ""},
    LegacyName{"HexText / HexDigitValue", "Hex, HexDigit (platform/hex_text.h)", ""},
    LegacyName{"Query* / ShowChannel / ShowSourceGroups", "SwitchTransfer (transfer/switch_transfer.h)", ""},
    LegacyName{"ReadConfigFile / WriteConfigFile / CompToScreen", "configfile/config_records.h", ""},
    LegacyName{"cmd", "ConfigFileCommands::dialog", ""},
    LegacyName{"FileError / FileErrorImport / FileMsg", "ConfigFileCommands's MessageWindows", kMessageText},
    LegacyName{"xfrmCommPortSelection", "CommPortSelection (buslink/comm_port_selection.h)", kPortSelection},
    LegacyName{"xcbxCommPort", "CommPortSelection::selectEntry", kPortList},
    LegacyName{"xcmdChangeCommPort / xcmdCancel", "CommPortSelection::changePort, cancel", kChangePort},
    LegacyName{"frm_Diagnostic / txtComWindow", "DiagnosticLog (buslink/diagnostic_log.h)", kTrafficText},
};

}  // namespace kavro::legacy
