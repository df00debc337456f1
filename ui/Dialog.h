// A modal dialog as one function: Execute(owner, request) shows the window, which refills
// its controls from the request at every showing, and hands out its values only on OK.
// Every showing goes through the dialog seam under the dialog's name, so a test can answer
// for the dialog without touching the window.
#pragma once

#include "ui/Dialogs.h"
#include "ui/Form.h"

#include <optional>
#include <utility>

namespace ui {

template <class Request, class Result> class Dialog : public Form {
public:
    std::optional<Result> Execute(HWND owner, const Request& request) {
        DialogCall call;
        call.Name = DialogName();
        call.Owner = owner;
        call.Request = request;
        call.Run = [this, owner, &request]() -> std::optional<std::any> {
            if (std::optional<Result> r = RunWindow(owner, request)) return std::any(std::move(*r));
            return std::nullopt;
        };
        std::optional<std::any> answer = Dialogs().ShowDialog(call);
        if (!answer) return std::nullopt;
        return std::any_cast<Result>(std::move(*answer));
    }

    // The name the seam knows the dialog by.
    virtual const char* DialogName() const = 0;

protected:
    // Settles from the request what the showing itself depends on (shown maximized, the look
    // of its lists); runs before every showing, with the window made and still hidden.
    virtual void Prepare(const Request& request) { (void)request; }
    // Fills the controls from the request; runs at every showing.
    virtual void Load(const Request& request) = 0;
    // On OK: the values, or nothing to keep the dialog open (after telling the user why).
    virtual std::optional<Result> Collect() = 0;

    const Request& CurrentRequest() const { return request_; }
    void OnShow() override { Load(request_); }
    void OnOK() override {
        if (std::optional<Result> r = Collect()) {
            result_ = std::move(r);
            Form::OnOK();
        }
    }

private:
    std::optional<Result> RunWindow(HWND owner, const Request& request) {
        request_ = request;
        result_.reset();
        if (!Handle()) Create(owner);
        Prepare(request);
        if (ShowModal() != mrOk) return std::nullopt;
        return std::exchange(result_, std::nullopt);
    }

    Request request_{};
    std::optional<Result> result_;
};

} // namespace ui
