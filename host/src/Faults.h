// Fault injection and the store log, as the host's own sources consult them.
#pragma once

#include <atomic>
#include <string>

namespace ZORFaults {

// Set while any fault is armed, so that unarmed hosts pay one load per check.
extern std::atomic<bool> armed;

bool KeyHidden(const char* key);
bool AttributeStoreWithheld();
bool ColorScaleFactoryWithheld();
// True when this parameter creation must fail; counts the creation otherwise.
bool ParameterCreationFails();
void NoteParameterRemoved();

}  // namespace ZORFaults

namespace ZORStoreLog {

extern std::atomic<bool> recording;
void Record(std::string line);

}  // namespace ZORStoreLog
