#include "console/clsConsole.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Common.h"

namespace pw {

// The event receiver may call back into the console (even Clear it or add
// items), so no reference into items_ is held across an outside call and
// every index is checked again by the operation that uses it afterwards.

namespace {

template <typename T>
T FieldOf(const std::vector<ConsoleItem>& items, int16_t index, T ConsoleItem::*field) {
  if (index < 0 || static_cast<size_t>(index) >= items.size()) return T{};
  return items[static_cast<size_t>(index)].*field;
}

}  // namespace

void clsConsole::Clear() {
  items_.clear();
  defaultWaitAfterE8_ = 0;
  if (myListBox != nullptr) myListBox->Clear();
}

void clsConsole::AddItem() {
  // The count is a 16-bit number; a console that full takes no more items.
  if (ListCount() == std::numeric_limits<int16_t>::max()) return;
  ConsoleItem item;
  item.WaitAfterE8 = defaultWaitAfterE8_;
  items_.push_back(item);
  if (myListBox != nullptr) {
    while (myListBox->ListCount() < ListCount()) myListBox->AddItem("");
  }
  Disp(static_cast<int16_t>(ListCount() - 1));
}

std::string clsConsole::Title(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::Title); }
int16_t clsConsole::Value(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::Value); }
int16_t clsConsole::Min(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::Min); }
int16_t clsConsole::Max(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::Max); }
bool clsConsole::BarExist(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::BarExist); }
bool clsConsole::LoopVal(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::LoopVal); }
int32_t clsConsole::WaitAfterE8(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::WaitAfterE8); }
bool clsConsole::flgChanged(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::flgChanged); }
bool clsConsole::flgEnterOn(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::flgEnterOn); }
int32_t clsConsole::EeAdr(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::EeAdr); }
bool clsConsole::EeDataSigned(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::EeDataSigned); }
int16_t clsConsole::E8Command(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::E8Command); }
int16_t clsConsole::Event_Disp(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::Event_Disp); }
int16_t clsConsole::Event_Changed(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::Event_Changed); }
int16_t clsConsole::Event_SendE8(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::Event_SendE8); }
int16_t clsConsole::Event_Enter(int16_t index) const { return FieldOf(items_, index, &ConsoleItem::Event_Enter); }

void clsConsole::set_Title(int16_t index, const std::string& title) {
  if (!Valid(index)) return;
  Item(index).Title = title;
  Disp(index);
}

void clsConsole::set_Value(int16_t index, int16_t value) {
  if (!Valid(index)) return;
  const int16_t old = Item(index).Value;
  Item(index).Value = value;
  LimitValue(index);
  if (!Valid(index)) return;
  if (Item(index).Value != old) Disp(index);
  if (!Valid(index)) return;
  // Every write is a request to send, even when the value stayed the same:
  // the technician pressing a key at an end still re-sends the setting.
  Item(index).flgChanged = true;
  const int16_t evNo = Item(index).Event_Changed;
  if (evNo >= 0 && myEventClass != nullptr) {
    int16_t idx = index;
    int16_t val = Item(index).Value;
    myEventClass->ConsEv_Changed(*this, idx, evNo, val);
  }
}

void clsConsole::set_Min(int16_t index, int16_t value) {
  if (!Valid(index)) return;
  ConsoleItem& item = Item(index);
  item.Min = value;
  if (item.Max < item.Min) item.Max = item.Min;
  LimitValue(index);
  Disp(index);
}

void clsConsole::set_Max(int16_t index, int16_t value) {
  if (!Valid(index)) return;
  ConsoleItem& item = Item(index);
  item.Max = value;
  if (item.Max < item.Min) item.Min = item.Max;
  LimitValue(index);
  Disp(index);
}

void clsConsole::set_BarExist(int16_t index, bool on) {
  if (Valid(index)) Item(index).BarExist = on;
}

void clsConsole::set_LoopVal(int16_t index, bool on) {
  if (Valid(index)) Item(index).LoopVal = on;
}

void clsConsole::set_WaitAfterE8(int16_t index, int32_t waitMs) {
  if (Valid(index)) Item(index).WaitAfterE8 = waitMs;
}

void clsConsole::set_flgChanged(int16_t index, bool on) {
  if (!Valid(index)) return;
  Item(index).flgChanged = on;
  if (on) {
    LimitValue(index);
    Disp(index);
  }
}

void clsConsole::set_flgEnterOn(int16_t index, bool on) {
  if (!Valid(index)) return;
  if (on) {
    for (ConsoleItem& item : items_) item.flgEnterOn = false;
  }
  Item(index).flgEnterOn = on;
}

void clsConsole::set_EeAdr(int16_t index, int32_t adr) {
  if (Valid(index)) Item(index).EeAdr = adr;
}

void clsConsole::set_EeDataSigned(int16_t index, bool on) {
  if (Valid(index)) Item(index).EeDataSigned = on;
}

void clsConsole::set_E8Command(int16_t index, int16_t command) {
  if (Valid(index)) Item(index).E8Command = command;
}

void clsConsole::set_Event_Disp(int16_t index, int16_t evNo) {
  if (!Valid(index)) return;
  Item(index).Event_Disp = evNo;
  Disp(index);
}

void clsConsole::set_Event_Changed(int16_t index, int16_t evNo) {
  if (Valid(index)) Item(index).Event_Changed = evNo;
}

void clsConsole::set_Event_SendE8(int16_t index, int16_t evNo) {
  if (Valid(index)) Item(index).Event_SendE8 = evNo;
}

void clsConsole::set_Event_Enter(int16_t index, int16_t evNo) {
  if (Valid(index)) Item(index).Event_Enter = evNo;
}

void clsConsole::LimitValue(int16_t index) {
  if (!Valid(index)) return;
  ConsoleItem& item = Item(index);
  const int16_t before = item.Value;
  if (item.Value < item.Min) item.Value = item.Min;
  if (item.Max < item.Value) item.Value = item.Max;
  if (item.Value != before) Disp(index);
}

std::string clsConsole::DefaultString(int16_t index) const {
  if (!Valid(index)) return "";
  const ConsoleItem& item = Item(index);
  // A value longer than four characters keeps only its last four, so the
  // bars of all lines start in one column whatever the value.
  const std::string number = "   " + std::to_string(item.Value);
  std::string text = item.Title + ":" + number.substr(number.size() - 4);
  if (item.BarExist) text += BarString(index);
  return text;
}

std::string clsConsole::BarString(int16_t index) const {
  if (!Valid(index)) return "";
  const ConsoleItem& item = Item(index);
  // Worked out in 32 bits and double so that wide ranges cannot overflow; a
  // range of one single value has no share to show and draws an empty bar.
  const int32_t span = static_cast<int32_t>(item.Max) - item.Min;
  int n = 0;
  if (span != 0) {
    const int32_t d = (static_cast<int32_t>(item.Value) - item.Min) * kBarWidth;
    // Exact halves round to the even count (the default rounding mode).
    const double q = std::nearbyint(static_cast<double>(d) / static_cast<double>(span));
    n = static_cast<int>(std::clamp(q, 0.0, static_cast<double>(kBarWidth)));
  }
  return " [" + std::string(static_cast<size_t>(n), '#') + std::string(static_cast<size_t>(kBarWidth - n), '-') + "]";
}

void clsConsole::UpDown(int16_t index, int16_t step) {
  if (!Valid(index)) return;
  const ConsoleItem& item = Item(index);
  int32_t next = static_cast<int32_t>(item.Value) + step;
  if (item.LoopVal) {
    if (item.Value >= item.Max && step > 0) {
      next = item.Min;
    } else if (item.Value <= item.Min && step < 0) {
      next = item.Max;
    }
  }
  // A step past the 16-bit range stops at its end; the write then clamps it
  // into Min..Max as usual.
  next = std::clamp<int32_t>(next, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());
  set_Value(index, static_cast<int16_t>(next));
}

void clsConsole::Disp(int16_t index) {
  if (!Valid(index)) return;
  std::string text;
  const int16_t evNo = Item(index).Event_Disp;
  if (evNo < 0) {
    text = DefaultString(index);
  } else {
    if (myEventClass == nullptr) return;
    int16_t idx = index;
    int16_t val = Item(index).Value;
    text = myEventClass->ConsEv_Disp(*this, idx, evNo, val);
  }
  // The list box may have been cleared behind the console's back, or bound
  // only after the items were added; a missing line is left alone.
  if (myListBox != nullptr && index < myListBox->ListCount()) myListBox->SetList(index, text);
}

void clsConsole::ReadFromEe(int16_t index) {
  if (!Valid(index) || myEeprom == nullptr) return;
  const ConsoleItem& item = Item(index);
  if (item.EeAdr < 0) return;
  int16_t b = myEeprom->ReadByte(item.EeAdr);
  if (item.EeDataSigned && b >= 128) b = static_cast<int16_t>(b - 256);
  set_Value(index, b);
}

void clsConsole::WriteToEe(int16_t index) {
  if (!Valid(index) || myEeprom == nullptr) return;
  const ConsoleItem& item = Item(index);
  if (item.EeAdr < 0) return;
  // The low 8 bits: a negative value is stored as its two's-complement byte.
  myEeprom->WriteByte(item.EeAdr, static_cast<uint8_t>(item.Value & 0xFF));
}

void clsConsole::SendE8(int16_t index) {
  if (!Valid(index)) return;
  const ConsoleItem item = Item(index);
  if (item.Event_SendE8 < 0) {
    if (item.E8Command >= 0 && myNbx3Seq != nullptr) {
      // Failures surface through the sequencer's own error state.
      myNbx3Seq->easySendE8NoAnswer(ByteToHex2(item.E8Command) + ByteToAsciiHexStr(item.Value & 0xFF));
    }
    if (myEventClass != nullptr) myEventClass->set_WaitE8Required(item.WaitAfterE8);
  } else if (myEventClass != nullptr) {
    int16_t idx = index;
    int16_t val = item.Value;
    myEventClass->ConsEv_SendE8(*this, idx, item.Event_SendE8, val);
  }
  // The image mirrors what the radio was told, also when the model's handler
  // chose not to send anything.
  WriteToEe(index);
}

void clsConsole::EnterPushed(int16_t index) { set_flgEnterOn(index, true); }

void clsConsole::EnterExec(int16_t index) {
  if (!Valid(index)) return;
  const int16_t evNo = Item(index).Event_Enter;
  if (evNo < 0) return;
  if (myEventClass != nullptr) {
    int16_t idx = index;
    int16_t val = Item(index).Value;
    myEventClass->ConsEv_Enter(*this, idx, evNo, val);
  }
  Disp(index);
}

}  // namespace pw
