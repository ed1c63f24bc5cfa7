#include "model/clsIndOp_RigR4T.h"

#include "clone/clsCmcNbx3Drv.h"
#include "shell/FormLayout.h"

namespace pw {

namespace {

// One console line of the model, in the order the technician sees them.
struct ItemRow {
  const char* title;
  int16_t min, max;
  bool loop, bar;
  int32_t eeAdr;
  bool signedData;
  int16_t e8Command, evDisp, evChanged, evSendE8, evEnter;
  int16_t clsIndOp_RigR4T::*index;
};

using M = clsIndOp_RigR4T;
const ItemRow kItems[] = {
    {" Dial Mode", 0, 0, true, false, -1, false, 0, 0, -1, 0, -1, &M::idxDialMode},
    {"    CH No.", 0, 0, true, false, -1, false, 1, 1, -1, 1, -1, &M::idxChNo},
    {"  RF Power", 0, 2, true, false, -1, false, 2, 2, -1, -1, -1, &M::idxRfPower},
    {" Power(Hi)", 0, 255, false, true, 0xFEC, false, 0x0C, -1, 0, 2, -1, &M::idxPowerHi},
    {" Power(LO)", 0, 255, false, true, 0xFED, false, 0x0B, -1, 1, 2, -1, &M::idxPowerLo},
    {" Power(EL)", 0, 255, false, true, 0xFEE, false, 0x0D, -1, 2, 2, -1, &M::idxPowerEl},
    {"       TXF", 0, 255, false, false, -1, false, -1, 4, -1, -1, 1, &M::idxTxf},
    {"       MOD", 0, 255, false, true, 0xFE4, false, 8, -1, -1, -1, -1, nullptr},
    {"   BPF ALL", 0, 255, false, false, -1, false, -1, 6, -1, -1, 7, &M::idxSweepItem},
    {"    BPF T1", -128, 127, false, true, 0xFE8, true, 0x10, 7, -1, -1, 3, &M::idxBpfT1},
    {"    BPF T2", -128, 127, false, true, 0xFE9, true, 0x11, 7, -1, -1, 4, nullptr},
    {"    BPF T3", -128, 127, false, true, 0xFEA, true, 0x12, 7, -1, -1, 5, nullptr},
    {"    BPF T4", -128, 127, false, true, 0xFEB, true, 0x13, 7, -1, -1, 6, nullptr},
    {"       SQL", 0, 255, false, false, -1, false, -1, 5, -1, -1, 2, &M::idxSql},
    {"      ATIS", 0, 127, false, false, -1, false, -1, 3, -1, -1, 0, &M::idxAtis},
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
  std::copy(std::begin(kTempPoints), std::end(kTempPoints), tempPoints.begin());
}

void clsIndOp_RigR4T::RigOpFunc_ResetAll() {
  seq_.easyReset(comPortNo_);
  opState = op::Idle;
  flgStateEntry = true;
  flgDispParaRequest = false;
  flgAtisActive = false;
  lastAd.fill(-1);
  lastDa.fill(-1);
  lastSqlCalced.fill(-1);
  flgCommError = false;
  RigOpFunc_FormResource();
  console_.myListBox = &window_.lboConsole();
  console_.myEventClass = this;
  console_.myNbx3Seq = &seq_;
  console_.myEeprom = &radio_.eepImage();
  console_.Clear();
  console_.set_DefaultWaitAfterE8(20);
  BuildConsole();
  ProcedureReset();
}

void clsIndOp_RigR4T::BuildConsole() {
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

void clsIndOp_RigR4T::ProcedureReset() {
  procStep = proc::None;
  passCount_ = 0;
  console_.set_EeAdr(idxAtis, -1);
  console_.set_E8Command(idxAtis, -1);
  if (flgAtisActive) flgAtisWait = true;
  for (int16_t i = 0; i < 4; ++i) {
    console_.set_WaitAfterE8(static_cast<int16_t>(idxBpfT1 + i), console_.DefaultWaitAfterE8());
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
  ProcedureReset();
  switch (Index) {
    case frm::kButtonConnect:
      RigOpFunc_ResetAll();
      opState = op::Start;
      flgStateEntry = true;
      break;
    case frm::kButtonReload:
      if (RigR4TProp_EditEnabled()) flgReloadRequest = true;
      break;
    case frm::kButtonDispPara:
      if (RigR4TProp_EditEnabled()) {
        flgDispParaRequest = true;
      } else if (RigR4TProp_DispPara()) {
        flgDispParaRequest = false;
      }
      break;
    default:
      break;
  }
}

void clsIndOp_RigR4T::RigOpFunc_SetComPortNo(int16_t portNo) {
  if (portNo == comPortNo_) return;
  comPortNo_ = portNo;
  RigOpFunc_ResetAll();
}

bool clsIndOp_RigR4T::RigOpFunc_CheckSubNameLegal(const std::string& nameS) { return nameS == "0001"; }

void clsIndOp_RigR4T::MsgBoxCloneErr() {
  if (myOwner) myOwner->MsgBoxCloneErr();
}

bool clsIndOp_RigR4T::RigR4TProp_ReadParametersFromExtFile(const std::string& path) {
  return ReadExtParameterFile(path, params_);
}

}  // namespace pw
