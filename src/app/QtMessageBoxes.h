#pragma once

#include "platform/MessageBox.h"

// The real message boxes: a modal QMessageBox per box, owned by the box's window.
class QtMessageBoxes final : public platform::MessageBoxSeam {
  public:
    int Show(const platform::MessageBoxRequest& box) override;
};
