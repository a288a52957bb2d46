// Port I/O: the data, status and control registers of the one chosen parallel port.
// vbOut and vbInp reach the hardware only through the installed backend and only at the
// three registers of the port that was opened; every other address is refused here, so
// no backend can be asked to touch it.
#pragma once

#include <cstdint>
#include <string>

// Register offsets from the port's base address.
enum class PortRegister : uint8_t { Data = 0, Status = 1, Control = 2 };

// What a refused or failed read gives: every status line high, which the transfers decode as
// a missing board (codes 0).
inline constexpr uint8_t kNoBoardByte = 0xFF;

class PortBackend {
public:
    virtual ~PortBackend() = default;
    // Gains access to the port at base; on failure returns false and a reason for the user
    // (what failed, and what to do about it).
    virtual bool Open(uint16_t base, std::string& reason) = 0;
    // Empty when base may be opened without asking; otherwise a question for the user that
    // says what is at the address. Open refuses such an address until AllowAddress(base).
    virtual std::string AddressQuestion(uint16_t) { return {}; }
    virtual void AllowAddress(uint16_t) {}
    // Releases the port; harmless when nothing is open.
    virtual void Close() = 0;
    virtual void Write(PortRegister reg, uint8_t value) = 0;
    virtual uint8_t Read(PortRegister reg) = 0;
};

// The backend used from now on; the caller keeps ownership. Closes the port that was open.
// nullptr leaves the program without port access.
void InstallPortBackend(PortBackend* backend);
PortBackend* InstalledPortBackend();

// The installed backend's question before opening base (empty: none), and the user's yes.
std::string PortAddressQuestion(uint16_t base);
void AllowPortAddress(uint16_t base);
// Opens the installed backend for the port at base (closing any port opened before).
bool OpenPort(uint16_t base, std::string& reason);
void ClosePort();
bool PortIsOpen();
uint16_t OpenPortBase();

// Writes the low byte of value to the I/O address port.
void vbOut(int16_t port, int16_t value);
// The byte at the I/O address port (0..255).
int16_t vbInp(int16_t port);
