#pragma once
// Program-wide state: the PC line setting and what several windows share.
// One instance is made at start-up and handed to every window; each test
// makes its own.
#include "core/clock.h"
#include "core/com_setting.h"
#include "core/port_directory.h"
#include "core/serial_line.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

namespace zu {

// Pure decoding of a word, as ApplyComSetting does it; previousBaud is kept
// for baud indices 5..7.
ComSetting DecodeComSettingWord(std::int32_t word, int previousBaud);
std::int32_t EncodeComSettingWord(int port, int baudIndex, int parityCode, int dataBitsBit,
                                  int stopBitsBit, int formatBit);
// Baud of a baud index 0..4 (2400..38400), 0 for any other index.
int BaudOfIndex(int index);

// Owners of the serial line.
enum PortOwnerCode : int { PortFree = 0, PortProtocol = 2, PortMonitor = 3, PortRecorder = 4 };

// Parse of the text of SETDT.$$$ as "%d" reads it: leading white space, an
// optional sign, decimal digits. False when no number starts the text.
// Values beyond the 32-bit range saturate rather than wrap.
bool ParseSettingText(std::string_view text, std::int32_t* word);

class AppState {
  public:
    AppState(Clock& clock, LineFactory& lines, PortDirectory ports);

    Clock& clock() { return clock_; }
    LineFactory& lines() { return lines_; }
    const PortDirectory& ports() const { return ports_; }

    // --- link settings ---
    std::int32_t ComSettingWord = 0;
    // Decoded from ComSettingWord by ApplyComSetting.
    ComSetting Com;
    bool SettingLoaded = false;
    std::array<bool, 13> PortPresent{};
    int PortOwner = PortFree;

    void ApplyComSetting();
    // First present port x 256 + 36 (13 x 256 + 36 without any port).
    std::int32_t DefaultComSettingWord() const;
    // Reads SETDT.$$$; true when the file could be read (ComSettingWord then
    // holds its number, or keeps its value when the file holds none). A file
    // that is there but cannot be read (no permission, a folder, a read
    // error) gives false as a missing one does, and *unreadable says why.
    bool LoadComSetting(QString* unreadable = nullptr);
    // Stores the word as the PC dialog's OK does: written only when it differs
    // or SettingLoaded is false. The file is replaced atomically; false when it
    // could not be written, the old file then stays as it was.
    bool StoreComSetting(std::int32_t newWord);
    // Fills PortPresent from the port directory.
    void BuildPortPresent();
    // Where SETDT.$$$ lives: the current directory unless a test says otherwise.
    QString settingFilePath = QStringLiteral("SETDT.$$$");

    // --- other shared values ---
    int ScaleWidth = 0;
    bool ProtocolDeviceMode = false;
    int UserMessageCode = 0;

  private:
    Clock& clock_;
    LineFactory& lines_;
    PortDirectory ports_;
};

} // namespace zu
