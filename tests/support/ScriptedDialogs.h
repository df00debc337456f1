// A dialog seam for tests: answers from a script and records every text shown.
// Install it for the life of a test with ScopedDialogs.
#pragma once

#include "ui/Dialogs.h"
#include "ui/Form.h"

#include <any>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct ShownBox {
    enum Kind { Info, Confirm, Error } kind;
    std::string text;
    ui::DefaultAnswer defaultAnswer = ui::DefaultAnswer::Yes; // confirmations only
    bool utf8 = false; // an information box whose text is UTF-8
};

class ScriptedDialogs : public ui::DialogSeam {
public:
    std::vector<ShownBox> shown;
    std::deque<bool> confirmAnswers;     // default: No
    std::deque<std::string> openAnswers; // empty string = cancelled
    // Open dialogs that allow several files take their answers from here instead (empty
    // list = cancelled).
    std::deque<std::vector<std::string>> multiOpenAnswers;
    std::deque<std::string> saveAnswers;
    std::vector<ui::FileDialogRequest> fileRequests;
    // Font and colour dialogs: the values each started at, and the answers (default and
    // nullopt: cancelled).
    std::vector<ui::FontChoice> fontRequests;
    std::deque<std::optional<ui::FontChoice>> fontAnswers;
    std::vector<COLORREF> colorRequests;
    std::deque<std::optional<COLORREF>> colorAnswers;
    // Print dialog: answered with this device context (the test owns it), or cancelled.
    HDC printDc = nullptr;
    int printDialogs = 0;
    int printSetupDialogs = 0;
    // Find dialog showings, with the flags asked for; no window is shown.
    std::vector<FINDREPLACEA> findRequests;
    // Called for every modal form; returns the modal result (default: mrCancel).
    std::function<int(ui::Form&)> onModal;
    int modalCount = 0;
    // Typed dialogs shown, by name, with their requests.
    struct DialogShown {
        std::string name;
        std::any request;
    };
    std::vector<DialogShown> dialogsShown;

    // The next showing of the named dialog returns this instead of showing the window
    // (nullopt: as if cancelled). Without an answer the real window runs (see onModal).
    template <class Result> void AnswerDialog(const std::string& name, std::optional<Result> r) {
        if (r)
            dialogAnswers_[name].push_back(std::any(std::move(*r)));
        else
            dialogAnswers_[name].push_back(std::nullopt);
    }
    template <class Request> const Request& RequestOf(size_t index) const {
        return std::any_cast<const Request&>(dialogsShown.at(index).request);
    }

    void Info(HWND, const std::string& text) override { shown.push_back({ShownBox::Info, text}); }
    // Recorded as an information box, its text kept in UTF-8.
    void InfoUtf8(HWND, const std::string& text) override {
        shown.push_back({ShownBox::Info, text, ui::DefaultAnswer::Yes, true});
    }
    bool Confirm(HWND, const std::string& text,
                 ui::DefaultAnswer answer = ui::DefaultAnswer::Yes) override {
        shown.push_back({ShownBox::Confirm, text, answer});
        if (confirmAnswers.empty()) return false;
        bool a = confirmAnswers.front();
        confirmAnswers.pop_front();
        return a;
    }
    void Error(HWND, const std::string& text) override { shown.push_back({ShownBox::Error, text}); }
    bool OpenFile(HWND, ui::FileDialogRequest& r) override {
        if (!(r.Options & OFN_ALLOWMULTISELECT)) return Answer(r, openAnswers);
        fileRequests.push_back(r);
        if (multiOpenAnswers.empty()) return false;
        std::vector<std::string> a = multiOpenAnswers.front();
        multiOpenAnswers.pop_front();
        if (a.empty()) return false;
        r.FileNames = a;
        r.FileName = a.front();
        return true;
    }
    bool SaveFile(HWND, ui::FileDialogRequest& r) override { return Answer(r, saveAnswers); }
    bool PickFont(HWND, ui::FontChoice& font) override {
        fontRequests.push_back(font);
        return Pick(font, fontAnswers);
    }
    bool PickColor(HWND, COLORREF& color) override {
        colorRequests.push_back(color);
        return Pick(color, colorAnswers);
    }
    bool PrintDialog(HWND, ui::PrintDialogRequest& r) override {
        ++printDialogs;
        r.Dc = printDc;
        return printDc != nullptr;
    }
    bool PrintSetupDialog(HWND, ui::PrintDialogRequest&) override {
        ++printSetupDialogs;
        return false;
    }
    HWND ShowFindDialog(FINDREPLACEA& r) override {
        findRequests.push_back(r);
        return nullptr;
    }
    int ShowModal(ui::Form& form) override {
        ++modalCount;
        return onModal ? onModal(form) : ui::mrCancel;
    }
    std::optional<std::any> ShowDialog(const ui::DialogCall& call) override {
        dialogsShown.push_back({call.Name, call.Request});
        auto it = dialogAnswers_.find(call.Name);
        if (it == dialogAnswers_.end() || it->second.empty()) return call.Run();
        std::optional<std::any> answer = std::move(it->second.front());
        it->second.pop_front();
        return answer;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (auto& s : shown)
            t.push_back(s.text);
        return t;
    }
    // Forgets what was shown (boxes and typed dialogs); scripted answers stay.
    void Clear() {
        shown.clear();
        dialogsShown.clear();
    }

private:
    std::map<std::string, std::deque<std::optional<std::any>>> dialogAnswers_;
    template <class T> static bool Pick(T& value, std::deque<std::optional<T>>& answers) {
        if (answers.empty()) return false;
        std::optional<T> a = answers.front();
        answers.pop_front();
        if (!a) return false;
        value = *a;
        return true;
    }
    bool Answer(ui::FileDialogRequest& r, std::deque<std::string>& q) {
        fileRequests.push_back(r);
        if (q.empty()) return false;
        std::string a = q.front();
        q.pop_front();
        if (a.empty()) return false;
        r.FileName = a;
        r.FileNames = {a};
        return true;
    }
};

class ScopedDialogs {
public:
    explicit ScopedDialogs(ScriptedDialogs& d) { ui::SetDialogs(&d); }
    ~ScopedDialogs() { ui::SetDialogs(nullptr); }
};

} // namespace testing_support
