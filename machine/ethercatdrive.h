#pragma once
#include <map>
#include <string>
#include <utility>

// One process-data entry of a drive: the object's index and, in the second
// word, where the drive's value lives in the process image. Values are read
// and written in place through it.
struct PdoEntry
{
    unsigned int uiIndex = 0;
    void* pValue = nullptr;
};

// Access to one servo drive following the CiA 402 drive profile over
// EtherCAT: its process-data objects by name, and start, stop, homing and
// I/O operations on top of them. The master that fills the entry map and
// exchanges the process image with the drives lives outside this class.
//
// Objects: "ControlWord", "StatusWord" (16-bit); "TargetPosition",
// "TargetVelocity", "TargetAcceleration" (32-bit signed); "DigitalInputs",
// "DigitalOutputs", "SupportedInputs", "SupportedOutputs" (32-bit unsigned);
// the encoder resolution objects "0x607E:01", "0x608F:01", "0x6091:01"
// (32-bit).
class CEthercatDrive
{
public:
    CEthercatDrive();
    void InitEthercatDrive(int drive);
    int GetDriveNumber() const { return m_iDrive; }

    // Filled by the master: name to entry.
    void SetPdoEntry(const std::string& name, const PdoEntry& entry) { m_mapPdo[name] = entry; }
    std::map<std::string, PdoEntry>& PdoEntries() { return m_mapPdo; }

    // Typed access by object name (unsigned short, int, unsigned int). A
    // name the map does not hold, or an entry without a value, throws
    // std::out_of_range.
    template <class T> T GetValue(const std::string& name) const;
    template <class T> void SetValue(const std::string& name, T value);

    void SetTargetPosition(int position);
    void SetTargetVelocity(int velocity);
    void SetTargetAcceleration(int acceleration);
    // Control word bit 4: start the motion.
    void MotionStart();
    // Clears control word bit 0 (switch on): the drive stops at once.
    void EmergencyStop();
    // Status word bit 10 (target reached) as 0 or 1; 0 without a status word.
    int CheckMotionComplete() const;
    // Sets control word bit 8 and returns 0; -1 (with a line on stderr)
    // when no homing sensor is defined.
    int MoveDriveHome();
    // The first encoder resolution object the drive has; -1 (with a line on
    // stderr) when it has none.
    int GetEncoderPulsesPerRotation() const;
    // "DigitalInputs", 0 when missing.
    unsigned int ReadAllInputs() const;
    // ("SupportedInputs", "SupportedOutputs"), each 0 when missing.
    std::pair<int, int> IdentifyIO() const;
    void SetHomingSensorInput(int input, bool polarity);
    void SetLimitSensorInput(int input, bool polarity);
    // Sets or clears output bit 0..31 of "DigitalOutputs"; other bits are
    // ignored.
    void SetOutputState(int bit, bool on);

    int GetHomingSensorInput() const { return m_iHomingInput; }
    bool GetHomingSensorPolarity() const { return m_bHomingPolarity; }
    const std::map<int, bool>& GetLimitSensors() const { return m_mapLimitSensors; }

private:
    template <class T> T ValueOr(const std::string& name, T fallback) const;
    void* ValuePointer(const std::string& name) const;

    int m_iDrive = 0;
    std::map<std::string, PdoEntry> m_mapPdo;
    int m_iHomingInput = -1;
    bool m_bHomingPolarity = true;
    std::map<int, bool> m_mapLimitSensors;
};
