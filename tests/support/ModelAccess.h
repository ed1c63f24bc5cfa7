// The one way for tests to put the model into a case directly, without
// running the program up to it. Everything else they read through the
// model's own accessors.
#pragma once

#include <array>

#include "model/clsIndOp_RigR4T.h"

namespace pw {

struct clsIndOp_RigR4T::TestAccess {
  static void SetProcStep(clsIndOp_RigR4T& m, proc::Step step) { m.procStep_ = step; }
  // A sweep under way: the filters still to be swept and the line it started from.
  static void SetSweep(clsIndOp_RigR4T& m, const std::array<bool, 4>& select, int16_t sweepItem) {
    m.bpfSelect_ = select;
    m.idxSweepItem_ = sweepItem;
  }
  static void SetBpfSelect(clsIndOp_RigR4T& m, const std::array<bool, 4>& select) { m.bpfSelect_ = select; }
  static void SetAtis(clsIndOp_RigR4T& m, bool active, bool wait) {
    m.flgAtisActive_ = active;
    m.flgAtisWait_ = wait;
  }
  static void ClearReloadRequest(clsIndOp_RigR4T& m) { m.flgReloadRequest_ = false; }
  static void ClearCommError(clsIndOp_RigR4T& m) { m.flgCommError_ = false; }
  // Skips the wait the last send asked for.
  static void SkipWait(clsIndOp_RigR4T& m) { m.waitE8_ = 0; }
  static void SetRadioId(clsIndOp_RigR4T& m, const ByteStr& id) { m.varRadioId_ = id; }
  static void SetDialTableEntry(clsIndOp_RigR4T& m, size_t i, int16_t group) { m.dialTable_.at(i) = group; }
};

using ModelAccess = clsIndOp_RigR4T::TestAccess;

}  // namespace pw
