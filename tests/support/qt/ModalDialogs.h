#pragma once

#include <QString>

#include <functional>

// Runs Action once the modal dialog or window about to open is up.
void WhenModal(std::function<void()> Action);
// Types a name into the file chooser about to open and confirms it.
void AnswerFileDialog(const QString& Text);
