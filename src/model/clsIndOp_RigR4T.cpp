#include "model/clsIndOp_RigR4T.h"

#include "clone/clsCmcNbx3Drv.h"
#include "layout/FormLayout.h"

namespace pw {

namespace {

// One console line of the model. A field left out keeps the console's
// default: no wrap-around, no bar, no image byte, no command, no event.
struct ItemRow {
  const char* title;
  int16_t min = 0, max = 255;
  bool loop = false, bar = false;
  int32_t eeAdr = -1;
  bool signedData = false;
  int16_t e8Command = -1;
  int16_t evDisp = ev::kNone, evChanged = ev::kNone, evSendE8 = ev::kNone, evEnter = ev::kNone;
  int16_t clsIndOp_RigR4T::*index = nullptr;  // where the model keeps the line's index
};

constexpr int16_t kTempPoints[21] = {0,   16,  24,  32,  40,  48,  64,  80,  96,  112, 128,
                                     144, 160, 176, 192, 208, 216, 224, 232, 240, 256};

}  // namespace

clsIndOp_RigR4T::clsIndOp_RigR4T(const Links& links)
    : seq_(links.seq),
      drv_(links.drv),
      radio_(links.radio),
      console_(links.console),
      window_(links.window),
      clock_(links.clock),
      eep_(links.radio.eepImage()),
      tickWait_(links.clock),
      powerSelectTimer_(links.clock) {
  comPortNo_ = 1;
  RigOpFunc_ResetAll();
  std::copy(std::begin(kTempPoints), std::end(kTempPoints), tempPoints_.begin());
}

void clsIndOp_RigR4T::RigOpFunc_ResetAll() {
  // Connect and a new port end a running procedure themselves, naming
  // themselves; what is still running here is cut off by a link failure.
  if (procStep_ != proc::None && serviceLog) serviceLog->ProcedureEnded(ProcedureEnd::LinkError);
  seq_.easyReset(comPortNo_);
  opState_ = op::Idle;
  flgStateEntry_ = true;
  flgDispParaRequest_ = false;
  flgAtisActive_ = false;
  lastAd_.fill(-1);
  lastDa_.fill(-1);
  lastSqlCalced_.fill(-1);
  flgCommError_ = false;
  RigOpFunc_FormResource();
  console_.myListBox = &window_.lboConsole();
  console_.myEventClass = this;
  console_.myNbx3Seq = &seq_;
  console_.myEeprom = &radio_.eepImage();
  console_.Clear();
  console_.set_DefaultWaitAfterE8(20);
  BuildConsole();
  procStep_ = proc::None;  // ended above; the reset below only tidies the lines
  ProcedureReset(ProcedureEnd::LinkError);
}

void clsIndOp_RigR4T::BuildConsole() {
  using M = clsIndOp_RigR4T;
  // The lines in the order the technician sees them, one row a line.
  // clang-format off
  static const ItemRow kItems[] = {
      {.title = " Dial Mode", .max = 0, .loop = true, .e8Command = 0x00, .evDisp = ev::kDispDialMode,
       .evSendE8 = ev::kSendDialMode, .index = &M::idxDialMode_},
      {.title = "    CH No.", .max = 0, .loop = true, .e8Command = 0x01, .evDisp = ev::kDispChNo,
       .evSendE8 = ev::kSendChNo, .index = &M::idxChNo_},
      {.title = "  RF Power", .max = 2, .loop = true, .e8Command = 0x02, .evDisp = ev::kDispRfPower,
       .index = &M::idxRfPower_},
      {.title = " Power(Hi)", .bar = true, .eeAdr = 0xFEC, .e8Command = 0x0C, .evChanged = ev::kChangedPowerHi,
       .evSendE8 = ev::kSendPowerLevel, .index = &M::idxPowerHi_},
      {.title = " Power(LO)", .bar = true, .eeAdr = 0xFED, .e8Command = 0x0B, .evChanged = ev::kChangedPowerLo,
       .evSendE8 = ev::kSendPowerLevel, .index = &M::idxPowerLo_},
      {.title = " Power(EL)", .bar = true, .eeAdr = 0xFEE, .e8Command = 0x0D, .evChanged = ev::kChangedPowerEl,
       .evSendE8 = ev::kSendPowerLevel, .index = &M::idxPowerEl_},
      {.title = "       TXF", .evDisp = ev::kDispTxf, .evEnter = ev::kEnterTxf, .index = &M::idxTxf_},
      {.title = "       MOD", .bar = true, .eeAdr = 0xFE4, .e8Command = 0x08},
      {.title = "   BPF ALL", .evDisp = ev::kDispBpfAll, .evEnter = ev::kEnterBpfAll, .index = &M::idxSweepItem_},
      {.title = "    BPF T1", .min = -128, .max = 127, .bar = true, .eeAdr = 0xFE8, .signedData = true, .e8Command = 0x10,
       .evDisp = ev::kDispBpfLine, .evEnter = ev::kEnterBpfT1, .index = &M::idxBpfT1_},
      {.title = "    BPF T2", .min = -128, .max = 127, .bar = true, .eeAdr = 0xFE9, .signedData = true, .e8Command = 0x11,
       .evDisp = ev::kDispBpfLine, .evEnter = ev::kEnterBpfT2},
      {.title = "    BPF T3", .min = -128, .max = 127, .bar = true, .eeAdr = 0xFEA, .signedData = true, .e8Command = 0x12,
       .evDisp = ev::kDispBpfLine, .evEnter = ev::kEnterBpfT3},
      {.title = "    BPF T4", .min = -128, .max = 127, .bar = true, .eeAdr = 0xFEB, .signedData = true, .e8Command = 0x13,
       .evDisp = ev::kDispBpfLine, .evEnter = ev::kEnterBpfT4},
      {.title = "       SQL", .evDisp = ev::kDispSql, .evEnter = ev::kEnterSql, .index = &M::idxSql_},
      {.title = "      ATIS", .max = 127, .evDisp = ev::kDispAtis, .evEnter = ev::kEnterAtis, .index = &M::idxAtis_},
  };
  // clang-format on
  for (const ItemRow& row : kItems) {
    console_.AddItem();
    const int16_t i = static_cast<int16_t>(console_.ListCount() - 1);
    console_.set_Title(i, row.title);
    console_.set_Min(i, row.min);
    console_.set_Max(i, row.max);
    console_.set_LoopVal(i, row.loop);
    console_.set_BarExist(i, row.bar);
    console_.set_EeAdr(i, row.eeAdr);
    console_.set_EeDataSigned(i, row.signedData);
    console_.set_E8Command(i, row.e8Command);
    console_.set_Event_Disp(i, row.evDisp);
    console_.set_Event_Changed(i, row.evChanged);
    console_.set_Event_SendE8(i, row.evSendE8);
    console_.set_Event_Enter(i, row.evEnter);
    if (row.index) this->*(row.index) = i;
  }
}

void clsIndOp_RigR4T::ProcedureReset(ProcedureEnd why) {
  if (procStep_ != proc::None && serviceLog) serviceLog->ProcedureEnded(why);
  procStep_ = proc::None;
  passCount_ = 0;
  console_.set_EeAdr(idxAtis_, -1);
  console_.set_E8Command(idxAtis_, -1);
  if (flgAtisActive_) flgAtisWait_ = true;
  for (int16_t i = 0; i < 4; ++i) {
    console_.set_WaitAfterE8(static_cast<int16_t>(idxBpfT1_ + i), console_.DefaultWaitAfterE8());
  }
  for (int16_t i = 0; i < console_.ListCount(); ++i) {
    console_.set_flgEnterOn(i, false);
    console_.Disp(i);
  }
}

void clsIndOp_RigR4T::RigOpFunc_FormResource() {
  window_.SetButtonCaption(frm::kButtonConnect, "Connect");
  window_.SetButtonCaption(frm::kButtonReload, "Reload(F5)");
  window_.SetButtonCaption(frm::kButtonDispPara, "Disp para");
  IListBox& ad = window_.lbo01(frm::kListAd);
  ad.Clear();
  ad.AddItem("[A/D]");
  for (int i = 0; i < 11; ++i) ad.AddItem("----");
  IListBox& da = window_.lbo01(frm::kListDa);
  da.Clear();
  da.AddItem("[D/A]");
  for (int i = 0; i < 6; ++i) da.AddItem("----");
  da.AddItem("");
  da.AddItem("[SQL Calced]");
  for (int i = 0; i < 2; ++i) da.AddItem("----");
  window_.SetProgressText(std::string(32, ' '));
}

void clsIndOp_RigR4T::RigOpFunc_FormLayout() {
  FormLayoutInput in;
  window_.GetScreenTwips(in.screenWidth, in.screenHeight);
  window_.GetInnerTwips(in.innerWidth, in.innerHeight);
  const bool first = !firstLayoutDone_;
  firstLayoutDone_ = true;
  window_.ApplyLayout(ComputeFormLayout(in, first));
}

void clsIndOp_RigR4T::RigOpFunc_ClickCmd00(int16_t Index) {
  ProcedureReset(Index == frm::kButtonConnect  ? ProcedureEnd::Connect
                 : Index == frm::kButtonReload ? ProcedureEnd::Reload
                                               : ProcedureEnd::DispPara);
  switch (Index) {
    case frm::kButtonConnect:
      RigOpFunc_ResetAll();
      opState_ = op::Start;
      flgStateEntry_ = true;
      break;
    case frm::kButtonReload:
      if (RigR4TProp_EditEnabled()) flgReloadRequest_ = true;
      break;
    case frm::kButtonDispPara:
      if (RigR4TProp_EditEnabled()) {
        flgDispParaRequest_ = true;
      } else if (RigR4TProp_DispPara()) {
        flgDispParaRequest_ = false;
      }
      break;
    default:
      break;
  }
}

void clsIndOp_RigR4T::RigOpFunc_SetComPortNo(int16_t portNo) {
  if (portNo == comPortNo_) return;
  ProcedureReset(ProcedureEnd::PortChanged);
  comPortNo_ = portNo;
  RigOpFunc_ResetAll();
}

void clsIndOp_RigR4T::ProcedureFinished() {
  window_.Beep();
  if (serviceLog) serviceLog->ProcedureEnded(ProcedureEnd::Finished);
}

void clsIndOp_RigR4T::LogProcedureWrite(int32_t eeAdr, int16_t value) {
  if (serviceLog && eeAdr >= 0) serviceLog->ProcedureWrote(eeAdr, static_cast<uint8_t>(value & 0xFF));
}

bool clsIndOp_RigR4T::RigOpFunc_CheckSubNameLegal(const std::string& nameS) { return nameS == "0001"; }

void clsIndOp_RigR4T::MsgBoxCloneErr() {
  if (myOwner) myOwner->MsgBoxCloneErr();
}

bool clsIndOp_RigR4T::RigR4TProp_ReadParametersFromExtFile(const std::string& path) {
  return ReadExtParameterFile(path, params_);
}

}  // namespace pw
