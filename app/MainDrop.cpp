// Web links dropped on the main window become new items.
#include "Main.h"

namespace kelpo {

void TMainForm::DropURLTargetDrop(const QMimeData &) {}
void TMainForm::DropTimerTimer() {}

}  // namespace kelpo
