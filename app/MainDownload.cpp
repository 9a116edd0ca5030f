// The Download tab: offered exchange files from the list file, their descriptions, and their import.
#include "Main.h"

namespace kelpo {

bool TMainForm::RequestFile(const QString &) { return true; }
void TMainForm::CheckButtonClick() {}
void TMainForm::FileListClick() {}
void TMainForm::DownloadButClick() {}

}  // namespace kelpo
