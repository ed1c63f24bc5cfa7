// The calls the console makes to the model that owns its items. Index and
// value are passed by reference, as the model may read them back.
#pragma once

#include <cstdint>
#include <string>

namespace pw {

class clsConsole;

class IConsoleEvents {
 public:
  virtual ~IConsoleEvents() = default;
  virtual std::string ConsEv_Disp(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) = 0;
  virtual void ConsEv_Changed(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) = 0;
  virtual void ConsEv_SendE8(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) = 0;
  virtual void ConsEv_Enter(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) = 0;
  virtual void set_WaitE8Required(int32_t waitMs) = 0;
};

}  // namespace pw
