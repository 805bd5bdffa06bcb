// The modal questions and reports of the main window, behind one small
// interface: the window asks through it, the application answers with real
// dialogs, tests answer from a script. Toolkit-free.
#pragma once

#include <string>

namespace veltaro {

enum class TMessageKind { Error, Information };

// The answer to a question box.
enum class TAnswer { Yes, No, Cancel };

// A file dialog's single filter: its name and its pattern ("*.vlt").
struct TFileFilter {
  std::string name;
  std::string pattern;
};

class TDialogs {
 public:
  virtual ~TDialogs() = default;

  // A modal input box with OK and Cancel. text holds the default on entry and
  // the confirmed text on return; false when cancelled.
  virtual bool InputQuery(const std::string& title, const std::string& prompt, std::string& text) = 0;

  // A modal message box with one OK button.
  virtual void MessageBox(TMessageKind kind, const std::string& title, const std::string& text) = 0;

  // A modal question with Yes and No, and Cancel when withCancel; closing
  // the box answers Cancel, or No without a Cancel button.
  virtual TAnswer Question(const std::string& title, const std::string& text, bool withCancel) = 0;

  // The modal open dialog. It accepts only names of existing files.
  // fileName names the folder to start in on entry ("" leaves the choice to
  // the dialog). False when cancelled; otherwise the chosen name.
  virtual bool ExecuteOpenDialog(const TFileFilter& filter, std::string& fileName) = 0;

  // The modal save dialog. It does not ask before overwriting (the caller
  // asks about the name it will really write). fileName
  // names the folder to start in on entry, as for the open dialog. False
  // when cancelled; otherwise the chosen name.
  virtual bool ExecuteSaveDialog(const TFileFilter& filter, std::string& fileName) = 0;
};

}  // namespace veltaro
