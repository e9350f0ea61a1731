#pragma once
// Every fixed text the program shows, in one table. The blanks, runs of
// blanks and spellings are the device software's own and are kept exactly.

namespace zu::text {

// Main window
inline constexpr char ComPortInUse[] = "COM Port In Use !!!";
// the second line of it: who holds the line and how to free it
inline constexpr char PortHeldByProtocol[] =
    "The communication protocol window holds the line: let its scan or change end, or press "
    "CANCEL there.";
inline constexpr char PortHeldByMonitor[] =
    "The Monitor window holds the line: press Cancel beside each connected controller, or close "
    "the Monitor (EXIT > OK).";
inline constexpr char PortHeldByRecorder[] =
    "The recorder holds the line: press Stop in the recorder window.";
inline constexpr char PortHeldByAnother[] = "Another window holds the line: close it first.";

// Modbus reply checks shared by monitor and recorder
inline constexpr char IllegalFunction[] = "illegal function !!!";
inline constexpr char IllegalAddress[] = "illegal address  !!!";
inline constexpr char IllegalData[] = "illegal data     !!!";
inline constexpr char IllegalCommand[] = "illegal command  !!!";
inline constexpr char IllegalFrame[] = "illegal frame    !!!";
inline constexpr char TooFewData[] = "too few data     !!!";
inline constexpr char TooManyData[] = "too many data    !!!";
inline constexpr char IllegalAscii[] = "illegal ASCII    !!!";
inline constexpr char UnknowError[] = "Unknow Error     !!!";
inline constexpr char UnknowCommand[] = "Unknow Command   !!!";
inline constexpr char ChecksumError[] = "Received checksum error !!!";
inline constexpr char RcvFormatError[] = "Rcv format error !!!";
inline constexpr char WriteCompareFail[] = "Writing data compare fail !!!";
inline constexpr char TimeoutError[] = "Received data time out error";

// Monitor and parameter editor
inline constexpr char AddressNotCorrect[] = "Address not correct";
inline constexpr char WriteErrorPrefix[] = "Write error : ";
inline constexpr char ReadErrorPrefix[] = " Read error : ";
inline constexpr char UploadIntoBuffer[] = " parameters successful upload into buffer";
inline constexpr char FwVersion[] = "F/W Version ";
inline constexpr char NotAvailable[] = "N/A";
inline constexpr char Out1[] = "Out1";
inline constexpr char Out2[] = "Out2";
inline constexpr char HeatCool[] = "Heat/Cool";
inline constexpr char ComWrite[] = "Com.Write";
inline constexpr char DevicePrefix[] = "DEVICE ";
inline constexpr char Cancel[] = "Cancel";
inline constexpr char ActiveSuffix[] = " (ACTIVE)";
inline constexpr char Connect[] = "Connect";
inline constexpr char Waiting[] = "Waiting...";
inline constexpr char NoConnect[] = "No connect";
inline constexpr char InputError[] = "Input error";
inline constexpr char OverRange[] = "Over range";
inline constexpr char MemoryFail[] = "Memory fail";
inline constexpr char IllegalFunctionOnWrongModel[] = "illegal function on wrong modle";
inline constexpr char RestoreDefaultConfirm[] = "Will restore default setting, continue anyway ?";
inline constexpr char ClearFactoryConfirm[] = "Will clear factory setting, continue anyway ?";
inline constexpr char NoError[] = "No Error";
inline constexpr char EnableComWriteFirst[] = "Please enable COM write function first";
inline constexpr char ParameterFilter[] = "Parameters backup files (*.par)|*.PAR";
inline constexpr char OverWriteFile[] = "Over write file : ";
inline constexpr char SaveParametersDone[] = " save parameters to file done";
inline constexpr char ParametersLoaded[] = " parameters successful load";
inline constexpr char FailToSaveFile[] = "Fail to save file";
inline constexpr char CaptionUploadDone[] = "Upload Done";
inline constexpr char CaptionDone[] = "Done";
inline constexpr char CaptionFileError[] = "File Error";
inline constexpr char CaptionBufferError[] = "Buffer Error";
inline constexpr char CaptionModelNameConfirm[] = "Model Name Confirm";
inline constexpr char FileCannotOpen[] =
    "Can't perform one of the following file operations: Open, Seek, Read";
inline constexpr char FileCannotRead[] =
    "Can't perform one of the following file operations: Read to Buffer";
inline constexpr char FileLengthOrContentError[] = "File data length or content error !";
inline constexpr char AllDevicesConfirm[] =
    "All device connected to the communication will be set, do you really want to process ?";
inline constexpr char DifferentModelConfirm[] =
    "It is different model between buffer and download device, do you really want to process ?";

// Monitor status line: what became of a parameter change (%1.. are filled in)
inline constexpr char NoticeWriting[] = "Writing %1 = %2";
inline constexpr char NoticeReplaces[] = "Writing %1 = %2 (replaces the unsent change of %3)";
inline constexpr char NoticeCommand[] = "Sending %1";
inline constexpr char NoticeWriteDisabled[] =
    "%1 not sent: communication write is disabled on the device";
inline constexpr char NoticeUnlockOnly[] =
    "%1 not sent: communication write is disabled on the device (only the unlock was sent)";
inline constexpr char NoticeWriteNotRead[] =
    "%1 not sent: the device's communication write setting is not read yet";
inline constexpr char NoticeSecurityLevel[] =
    "%1 not sent: the device's security level does not allow it";
inline constexpr char NoticeUnlockSent[] = " (only the unlock was sent)";
inline constexpr char NoticeNotANumber[] = "%1 not sent: \"%2\" is not a number";
inline constexpr char NoticeOutOfRange[] = "%1 not sent: %2 does not fit in a register";
inline constexpr char NoticeNoSuchParameter[] = "%1 not sent: this device has no such parameter";
inline constexpr char NoticeNoItem[] = "%1 not sent: no item chosen";
inline constexpr char NoticeNoDevice[] = "Not sent: no device identified";
inline constexpr char NoticeTransferRunning[] =
    "%1 not sent: a transfer is running, try again after it";
inline constexpr char NoticeSecurityBusy[] = "%1 not sent: a security change is in progress";
inline constexpr char NoticeDisplayDecimals[] =
    "Decimals shown: %1 (a display setting, nothing sent)";
inline constexpr char NoticeEchoMismatch[] =
    "Not written: the device did not echo the write (it refused or changed the value)";
// Why the monitor dropped a device (%1 slot number, %2 address, %3 the reason)
inline constexpr char NoticeDeviceDropped[] = "DEVICE %1 (address %2) disconnected: %3";
inline constexpr char DroppedNoReply[] = "no reply to 4 requests in a row";
inline constexpr char DroppedIncomplete[] = "4 incomplete replies in a row";
inline constexpr char DroppedGarbled[] = "4 garbled replies in a row";
inline constexpr char DroppedChecksum[] = "4 replies in a row with a wrong checksum";
inline constexpr char DroppedUnknownFunction[] =
    "4 replies in a row with an unexpected function code";
inline constexpr char DroppedLate[] = "4 late replies in a row";
inline constexpr char DroppedMixedFaults[] = "no usable reply to 4 requests in a row";
// what became of a change once the device answered (%1: "SV = 30.0" or a command)
inline constexpr char NoticeWritten[] = "%1 written, reading the parameters back";
inline constexpr char NoticeReadBack[] = "%1 written and read back";
inline constexpr char NoticeNotEchoed[] =
    "%1 not written: the device did not echo the write (it refused or changed the value)";
inline constexpr char NoticeRefused[] = "%1 refused by the device: %2 (sent again)";
inline constexpr char NoticeGivenUp[] = "%1 not written: the device refused it (%2)";
inline constexpr char NoticeCancelled[] =
    "%1 not sent: the selected controller changed or was lost";
inline constexpr char NoticeWrittenPlain[] = "Written";
inline constexpr char NoticeRefusedPlain[] = "Write refused by the device: %1";
inline constexpr char NoticeCancelledPlain[] = "A queued write was not sent";

// Recorder
inline constexpr char Start[] = "START";
inline constexpr char Stop[] = "Stop";
inline constexpr char StartGettingData[] = "Start to getting data";
inline constexpr char EndOfAcquire[] = "End of acquire data";
inline constexpr char RecordFilter[] = "Record files (*.rec)|*.REC";
inline constexpr char ReceivedDataNotMatch[] = " Received data does not match";
inline constexpr char InputUnstable[] = " Input unstable or Device fail";

// Communication-protocol window
inline constexpr char NoComPortExist[] = "No COM Port Exist";
inline constexpr char PressSetToChange[] = "Press SET to change protocol";
inline constexpr char DataCanNotSave[] = "Data can not save !!! Disc full or protected.";
inline constexpr char PressStartToDetect[] = "Pressed Start to begin detect";
inline constexpr char AddressHeader[] = " Address";
inline constexpr char ProtocolHeader[] = " Communicate Protocol";
inline constexpr char CancelUpper[] = "CANCEL";
inline constexpr char EstimateTimeLeft[] = "Estimate time left : ";
inline constexpr char MinSuffix[] = " min,";
inline constexpr char SecSuffix[] = " sec";
inline constexpr char SearchCompleted[] = "Search Completed,Found ";
inline constexpr char SearchAbort[] = "Search abort,Found ";
inline constexpr char ItemsSuffix[] = " items";
inline constexpr char DataErrorFailToChange[] = "Data error,Fail to changed";
inline constexpr char TimeoutFailToChange[] = "Timeout error,Fail to changed";
inline constexpr char DeviceProtocolChanging[] = "Device Protocol Changing";
inline constexpr char SetProtocolSuccess[] = "SET Protocol Success";
// beside the COM buttons when no USB or ACM adapter is there (%1: the COM number)
inline constexpr char SimulatedLineHint[] =
    "COM%1 is the simulated line: three demo controllers at addresses 1, 2 and 3";

// User-message window
inline constexpr char AutoSyncSuccess[] = "COMMUNICATION AUTO SYNCHRONIZE SUCCESS";
inline constexpr char ConnectExtendDevice[] =
    "CONNECT EXTEND DEVICE AND RE-POWER ON TO ENABLE AUTO SYNC.";
inline constexpr char ChangingProtocol[] = "CHANGING THE PROTOCOL...";
inline constexpr char PleaseWait[] = "PLEASE WAIT FOR A WHILE.";

// Ramp/soak editor
inline constexpr char StepMax[] = "Step Max.";
inline constexpr char PatternPrefix[] = "Pattern ";
inline constexpr char SetValuePrefix[] = "Set Value ";
inline constexpr char ExecuteTimePrefix[] = "Execute Time ";
inline constexpr char LoopCount[] = "Loop Count";
inline constexpr char LinkPattern[] = "Link Pattern";
inline constexpr char ReadingNow[] = "Reading Now";
inline constexpr char WritingNow[] = "Writing Now";
inline constexpr char RampSoakFilter[] = "Ramp soak table files (*.r$s)|*.R$S";
inline constexpr char ProgEnd[] = "Prog End";
inline constexpr char StepCount[] = "Step Count";
inline constexpr char Hour[] = "Hour";

// Monitor window: captions of its menus and controls, and the codes of its
// password box
inline constexpr char MonitorCaption[] = "Monitor";
inline constexpr char MenuFile[] = "FILE";
inline constexpr char MenuOpen[] = "OPEN";
inline constexpr char MenuSave[] = "SAVE";
inline constexpr char MenuSaveAs[] = "SAVE AS";
inline constexpr char MenuCompare[] = "COMPARE WITH DEVICE...";
inline constexpr char MenuDevice[] = "DEVICE";
inline constexpr char MenuParameters[] = "PARAMETERS";
inline constexpr char MenuUpload[] = "UPLOAD";
inline constexpr char MenuWriteSelected[] = "WRITE TO SELECTED DEVICE";
inline constexpr char MenuWriteAll[] = "WRITE TO ALL CONNECTED DEVICE";
inline constexpr char BroadcastHint[] = "Broadcast function";
inline constexpr char MenuRampSoak[] = "RAMP SOAK PROGRAM";
inline constexpr char MenuView[] = "VIEW";
inline constexpr char MenuSetting[] = "SETTING";
inline constexpr char MenuPvRecord[] = "PV RECORD";
inline constexpr char MenuExit[] = "EXIT";
inline constexpr char MenuOk[] = "OK";
inline constexpr char AddressCaption[] = "Address";
inline constexpr char PvCaption[] = " PV";
inline constexpr char SvCaption[] = " SV";
inline constexpr char UnitC[] = "C";
inline constexpr char Alarm1[] = "Alarm 1";
inline constexpr char Alarm2[] = "Alarm 2";
inline constexpr char Alarm3[] = "Alarm 3";
inline constexpr char Event1[] = "Event 1";
inline constexpr char Event2[] = "Event 2";
inline constexpr char CtDesign[] = "CT = 0 A";
inline constexpr char CtReset[] = "CT = 0A";
inline constexpr char NoErrorStart[] = "NO Error !!!";
inline constexpr char ClearCounts[] = "Clr";
inline constexpr char PasswordCaption[] = "Password";
inline constexpr char HiddenModeCode[] = "XQT";
inline constexpr char ProbeIn[] = "probe in";
inline constexpr char ProbeOut[] = "probe out";

} // namespace zu::text
