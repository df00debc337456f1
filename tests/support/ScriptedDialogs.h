// A dialog seam for tests: answers from a script and records every text shown.
// Install it for the life of a test with ScopedDialogs.
#pragma once

#include "ui/Dialogs.h"
#include "ui/Form.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct ShownBox {
    enum Kind { Info, Confirm, Error } kind;
    std::string text;
};

class ScriptedDialogs : public ui::DialogSeam {
public:
    std::vector<ShownBox> shown;
    std::deque<bool> confirmAnswers;           // default: No
    std::deque<std::string> openAnswers;        // empty string = cancelled
    std::deque<std::string> saveAnswers;
    std::vector<ui::FileDialogRequest> fileRequests;
    // Called for every modal form; returns the modal result (default: mrCancel).
    std::function<int(ui::Form&)> onModal;
    int modalCount = 0;

    void Info(HWND, const std::string& text) override { shown.push_back({ShownBox::Info, text}); }
    bool Confirm(HWND, const std::string& text) override {
        shown.push_back({ShownBox::Confirm, text});
        if (confirmAnswers.empty()) return false;
        bool a = confirmAnswers.front();
        confirmAnswers.pop_front();
        return a;
    }
    void Error(HWND, const std::string& text) override { shown.push_back({ShownBox::Error, text}); }
    bool OpenFile(HWND, ui::FileDialogRequest& r) override { return Answer(r, openAnswers); }
    bool SaveFile(HWND, ui::FileDialogRequest& r) override { return Answer(r, saveAnswers); }
    int ShowModal(ui::Form& form) override {
        ++modalCount;
        return onModal ? onModal(form) : ui::mrCancel;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (auto& s : shown) t.push_back(s.text);
        return t;
    }
    void Clear() { shown.clear(); }

private:
    bool Answer(ui::FileDialogRequest& r, std::deque<std::string>& q) {
        fileRequests.push_back(r);
        if (q.empty()) return false;
        std::string a = q.front();
        q.pop_front();
        if (a.empty()) return false;
        r.FileName = a;
        return true;
    }
};

class ScopedDialogs {
public:
    explicit ScopedDialogs(ScriptedDialogs& d) { ui::SetDialogs(&d); }
    ~ScopedDialogs() { ui::SetDialogs(nullptr); }
};

} // namespace testing_support
