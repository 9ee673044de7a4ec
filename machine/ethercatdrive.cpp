#include "machine/ethercatdrive.h"

#include <cstring>
#include <iostream>
#include <stdexcept>

namespace {
constexpr unsigned short CW_SWITCH_ON = 0x0001;
constexpr unsigned short CW_NEW_SET_POINT = 0x0010;
constexpr unsigned short CW_HOMING_START = 0x0100;
constexpr int SW_TARGET_REACHED_BIT = 10;
const char* const ENCODER_RESOLUTION_OBJECTS[] = {"0x607E:01", "0x608F:01", "0x6091:01"};
}

CEthercatDrive::CEthercatDrive() = default;

void CEthercatDrive::InitEthercatDrive(int drive)
{
    m_iDrive = drive;
}

void* CEthercatDrive::ValuePointer(const std::string& name) const
{
    void* p = m_mapPdo.at(name).pValue;
    if (!p)
        throw std::out_of_range("process-data entry without a value: " + name);
    return p;
}

// The process image is bytes filled by the master: values are copied, not
// dereferenced through a cast, so no alignment is assumed.
template <class T> T CEthercatDrive::GetValue(const std::string& name) const
{
    T value;
    std::memcpy(&value, ValuePointer(name), sizeof(T));
    return value;
}

template <class T> void CEthercatDrive::SetValue(const std::string& name, T value)
{
    std::memcpy(ValuePointer(name), &value, sizeof(T));
}

template unsigned short CEthercatDrive::GetValue<unsigned short>(const std::string&) const;
template int CEthercatDrive::GetValue<int>(const std::string&) const;
template unsigned int CEthercatDrive::GetValue<unsigned int>(const std::string&) const;
template void CEthercatDrive::SetValue<unsigned short>(const std::string&, unsigned short);
template void CEthercatDrive::SetValue<int>(const std::string&, int);
template void CEthercatDrive::SetValue<unsigned int>(const std::string&, unsigned int);

template <class T> T CEthercatDrive::ValueOr(const std::string& name, T fallback) const
{
    try {
        return GetValue<T>(name);
    } catch (const std::out_of_range&) {
        return fallback;
    }
}

void CEthercatDrive::SetTargetPosition(int position)
{
    SetValue<int>("TargetPosition", position);
}

void CEthercatDrive::SetTargetVelocity(int velocity)
{
    SetValue<int>("TargetVelocity", velocity);
}

void CEthercatDrive::SetTargetAcceleration(int acceleration)
{
    SetValue<int>("TargetAcceleration", acceleration);
}

void CEthercatDrive::MotionStart()
{
    SetValue<unsigned short>("ControlWord", GetValue<unsigned short>("ControlWord") | CW_NEW_SET_POINT);
}

void CEthercatDrive::EmergencyStop()
{
    SetValue<unsigned short>("ControlWord",
                             GetValue<unsigned short>("ControlWord") & static_cast<unsigned short>(~CW_SWITCH_ON));
}

int CEthercatDrive::CheckMotionComplete() const
{
    return (ValueOr<unsigned short>("StatusWord", 0) >> SW_TARGET_REACHED_BIT) & 1;
}

int CEthercatDrive::MoveDriveHome()
{
    if (m_iHomingInput == -1) {
        std::cerr << "No homing sensor defined for drive " << m_iDrive << "\n";
        return -1;
    }
    SetValue<unsigned short>("ControlWord", GetValue<unsigned short>("ControlWord") | CW_HOMING_START);
    return 0;
}

int CEthercatDrive::GetEncoderPulsesPerRotation() const
{
    for (const char* name : ENCODER_RESOLUTION_OBJECTS) {
        try {
            return GetValue<int>(name);
        } catch (const std::out_of_range&) {
        }
    }
    std::cerr << "Encoder resolution not available for drive " << m_iDrive << "\n";
    return -1;
}

unsigned int CEthercatDrive::ReadAllInputs() const
{
    return ValueOr<unsigned int>("DigitalInputs", 0);
}

std::pair<int, int> CEthercatDrive::IdentifyIO() const
{
    return {int(ValueOr<unsigned int>("SupportedInputs", 0)), int(ValueOr<unsigned int>("SupportedOutputs", 0))};
}

void CEthercatDrive::SetHomingSensorInput(int input, bool polarity)
{
    m_iHomingInput = input;
    m_bHomingPolarity = polarity;
    std::cout << "Drive " << m_iDrive << ": Homing sensor set to input " << input << " polarity=" << (polarity ? 1 : 0)
              << "\n";
}

void CEthercatDrive::SetLimitSensorInput(int input, bool polarity)
{
    m_mapLimitSensors[input] = polarity;
    std::cout << "Drive " << m_iDrive << ": Limit sensor set to input " << input << " polarity=" << (polarity ? 1 : 0)
              << "\n";
}

void CEthercatDrive::SetOutputState(int bit, bool on)
{
    if (bit < 0 || bit > 31)
        return;
    unsigned int outputs = ValueOr<unsigned int>("DigitalOutputs", 0);
    const unsigned int mask = 1u << bit;
    outputs = on ? (outputs | mask) : (outputs & ~mask);
    SetValue<unsigned int>("DigitalOutputs", outputs);
}
