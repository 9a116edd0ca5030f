// Group exchange files: saving the shown group to a file and importing one.
#include "Main.h"

namespace kelpo {

void TMainForm::MenuSaveGroupClick() {}
void TMainForm::MenuLoadGroupClick() {}
void TMainForm::LoadDataFile(const QString &) {}

}  // namespace kelpo
