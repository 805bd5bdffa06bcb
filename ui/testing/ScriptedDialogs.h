// A TDialogs that answers from a script and records every question, for
// tests that drive the window's commands.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "Dialogs.h"

namespace veltaro {

class TScriptedDialogs : public TDialogs {
 public:
  // One recorded question.
  struct TCall {
    std::string what;    // "InputQuery", "Error", "Information", "Question", "Open", "Save"
    std::string title;   // the box's title, or the dialog's filter name
    std::string text;    // the prompt, the message, or the filter pattern
    std::string preset;  // the input box's default text
    std::string folder;  // the folder a file dialog starts in
  };

  // Answers, used in order; std::nullopt stands for Cancel. A question with no
  // answer left is answered with Cancel and counted in unanswered.
  std::deque<std::optional<std::string>> inputAnswers;
  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  // Answers to questions; a question with none left is answered Cancel (No
  // without a Cancel button) and counted in unanswered.
  std::deque<TAnswer> questionAnswers;

  std::vector<TCall> calls;
  int unanswered = 0;

  bool InputQuery(const std::string& title, const std::string& prompt, std::string& text) override;
  void MessageBox(TMessageKind kind, const std::string& title, const std::string& text) override;
  TAnswer Question(const std::string& title, const std::string& text, bool withCancel) override;
  bool ExecuteOpenDialog(const TFileFilter& filter, std::string& fileName) override;
  bool ExecuteSaveDialog(const TFileFilter& filter, std::string& fileName) override;

 private:
  bool Answer(std::deque<std::optional<std::string>>& answers, std::string& out);
};

}  // namespace veltaro
