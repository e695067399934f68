#include "ui/MainForm.h"

void TfrmMain::acnJoinFileExecute() {}

void TfrmMain::acnLoadProjectExecute() {}

void TfrmMain::acnSaveProjectExecute() {}

void CreateJoinOptionsDialog(TfrmMain*) {}
