// The adjustment console: a model-independent list of items, one line each in
// a list box. An item is a title and a small value with limits, optionally a
// bar, an EEPROM byte that mirrors it and an E8 command that sets it live in
// the radio. Event numbers let the model take over an item's line, its
// reaction to a change, its sending and its Enter key.
//
// Every operation takes the item index first. An index outside 0..ListCount-1
// is ignored: setters and actions do nothing, getters answer 0, "" or false.
// A missing list box, event receiver, sequencer or EEPROM image (null
// pointer) only skips the call that would go to it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "clone/clsCmcEeprom.h"
#include "clone/IE8Sequencer.h"
#include "console/IConsoleEvents.h"
#include "platform/IListBox.h"

namespace pw {

// One item of the console. A default-constructed item carries the settings a
// freshly added item starts with, except WaitAfterE8, which AddItem takes
// from the console's DefaultWaitAfterE8.
struct ConsoleItem {
  std::string Title;
  int16_t Value = 0;
  int16_t Min = 0;
  int16_t Max = 255;
  bool BarExist = false;
  bool LoopVal = false;
  int32_t WaitAfterE8 = 0;
  int32_t EeAdr = -1;  // negative: the item has no EEPROM byte
  bool EeDataSigned = false;
  int16_t E8Command = -1;      // negative: no default send
  int16_t Event_Disp = -1;     // negative: the line shows DefaultString
  int16_t Event_Changed = -1;  // negative: no event after a Value write
  int16_t Event_SendE8 = -1;   // negative: the console sends by itself
  int16_t Event_Enter = -1;    // negative: Enter does nothing
  bool flgChanged = false;     // written and not yet sent
  bool flgEnterOn = false;     // Enter pressed and not yet executed
};

class clsConsole {
 public:
  static constexpr int16_t kBarWidth = 20;

  // Set by the owner; the console never creates or releases them.
  IListBox* myListBox = nullptr;
  IConsoleEvents* myEventClass = nullptr;
  IE8Sequencer* myNbx3Seq = nullptr;
  clsCmcEeprom* myEeprom = nullptr;

  // Drops every item and line and sets DefaultWaitAfterE8 back to 0.
  void Clear();

  int32_t DefaultWaitAfterE8() const { return defaultWaitAfterE8_; }
  void set_DefaultWaitAfterE8(int32_t waitMs) { defaultWaitAfterE8_ = waitMs; }

  // Appends an item with the default settings and shows its line at once.
  void AddItem();

  std::string Title(int16_t index) const;
  void set_Title(int16_t index, const std::string& title);

  // A write clamps into Min..Max, redraws when the stored value changed,
  // always flags the item changed and always raises ConsEv_Changed (when the
  // item has an Event_Changed) with the clamped value.
  int16_t Value(int16_t index) const;
  void set_Value(int16_t index, int16_t value);

  // Min and Max drag each other along so that Min <= Max always holds.
  int16_t Min(int16_t index) const;
  void set_Min(int16_t index, int16_t value);
  int16_t Max(int16_t index) const;
  void set_Max(int16_t index, int16_t value);

  bool BarExist(int16_t index) const;
  void set_BarExist(int16_t index, bool on);
  bool LoopVal(int16_t index) const;
  void set_LoopVal(int16_t index, bool on);
  int32_t WaitAfterE8(int16_t index) const;
  void set_WaitAfterE8(int16_t index, int32_t waitMs);

  // Setting the flag also re-clamps and redraws the item.
  bool flgChanged(int16_t index) const;
  void set_flgChanged(int16_t index, bool on);
  // At most one item has a pending Enter: setting it clears all the others.
  bool flgEnterOn(int16_t index) const;
  void set_flgEnterOn(int16_t index, bool on);

  int32_t EeAdr(int16_t index) const;
  void set_EeAdr(int16_t index, int32_t adr);
  bool EeDataSigned(int16_t index) const;
  void set_EeDataSigned(int16_t index, bool on);
  int16_t E8Command(int16_t index) const;
  void set_E8Command(int16_t index, int16_t command);
  int16_t Event_Disp(int16_t index) const;
  void set_Event_Disp(int16_t index, int16_t evNo);  // redraws
  int16_t Event_Changed(int16_t index) const;
  void set_Event_Changed(int16_t index, int16_t evNo);
  int16_t Event_SendE8(int16_t index) const;
  void set_Event_SendE8(int16_t index, int16_t evNo);
  int16_t Event_Enter(int16_t index) const;
  void set_Event_Enter(int16_t index, int16_t evNo);

  int16_t ListCount() const { return static_cast<int16_t>(items_.size()); }

  // Title + ":" + the value right-aligned in 4 characters + the bar, if any.
  std::string DefaultString(int16_t index) const;
  // " [" + n "#" + (20 - n) "-" + "]"; n is the value's share of Min..Max.
  std::string BarString(int16_t index) const;
  // Steps the value; a looping item wraps only from its very end.
  void UpDown(int16_t index, int16_t step);
  // Replaces the item's line with DefaultString or the model's own text.
  void Disp(int16_t index);
  // Loads the value from the item's image byte (sign-extended for signed
  // items) through set_Value; nothing without an image or an address.
  void ReadFromEe(int16_t index);
  // Stores the value's low 8 bits in the item's image byte.
  void WriteToEe(int16_t index);
  // Sends the value to the radio as the item's E8 command (or lets the
  // model's ConsEv_SendE8 do it) and asks for the item's wait after it, then
  // mirrors the value into the image, also when nothing was sent.
  void SendE8(int16_t index);
  // Marks the item's Enter as pending (the task executes it later).
  void EnterPushed(int16_t index);
  // Runs the item's Enter action now (ConsEv_Enter) and redraws the line.
  void EnterExec(int16_t index);

 private:
  bool Valid(int16_t index) const { return index >= 0 && index < ListCount(); }
  ConsoleItem& Item(int16_t index) { return items_[static_cast<size_t>(index)]; }
  const ConsoleItem& Item(int16_t index) const { return items_[static_cast<size_t>(index)]; }
  void LimitValue(int16_t index);

  std::vector<ConsoleItem> items_;
  int32_t defaultWaitAfterE8_ = 0;
};

}  // namespace pw
