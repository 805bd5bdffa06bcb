#include "ScriptedDialogs.h"

namespace veltaro {

bool TScriptedDialogs::Answer(std::deque<std::optional<std::string>>& answers, std::string& out) {
  if (answers.empty()) {
    ++unanswered;
    return false;
  }
  std::optional<std::string> answer = std::move(answers.front());
  answers.pop_front();
  if (!answer) return false;
  out = std::move(*answer);
  return true;
}

bool TScriptedDialogs::InputQuery(const std::string& title, const std::string& prompt, std::string& text) {
  calls.push_back({"InputQuery", title, prompt, text, {}});
  return Answer(inputAnswers, text);
}

void TScriptedDialogs::MessageBox(TMessageKind kind, const std::string& title, const std::string& text) {
  calls.push_back({kind == TMessageKind::Error ? "Error" : "Information", title, text, {}, {}});
}

TAnswer TScriptedDialogs::Question(const std::string& title, const std::string& text, bool withCancel) {
  calls.push_back({"Question", title, text, withCancel ? "Yes/No/Cancel" : "Yes/No", {}});
  if (questionAnswers.empty()) {
    ++unanswered;
    return withCancel ? TAnswer::Cancel : TAnswer::No;
  }
  const TAnswer answer = questionAnswers.front();
  questionAnswers.pop_front();
  return answer;
}

bool TScriptedDialogs::ExecuteOpenDialog(const TFileFilter& filter, std::string& fileName) {
  calls.push_back({"Open", filter.name, filter.pattern, {}, fileName});
  return Answer(openAnswers, fileName);
}

bool TScriptedDialogs::ExecuteSaveDialog(const TFileFilter& filter, std::string& fileName) {
  calls.push_back({"Save", filter.name, filter.pattern, {}, fileName});
  return Answer(saveAnswers, fileName);
}

}  // namespace veltaro
