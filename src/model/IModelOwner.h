// The window-side call the model makes that is not a plain control update.
#pragma once

namespace pw {

class IModelOwner {
 public:
  virtual ~IModelOwner() = default;
  virtual void MsgBoxCloneErr() = 0;
};

}  // namespace pw
