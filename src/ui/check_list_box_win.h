// A list box whose items carry a check box: state 0 (clear), 1 (checked) or 2
// (indeterminate). The template makes the list owner-drawn (fixed height, with strings); this
// class keeps each item's state in its item data, draws the box and the text, and toggles the
// box on a click into it or on the space bar. After a toggle the parent is told of a
// selection change, so its selection handler sees the new state.
#pragma once

#include <windows.h>

#include <string>

namespace prinstall::ui {

class CheckListBox {
public:
    CheckListBox() = default;
    CheckListBox(const CheckListBox&) = delete;
    CheckListBox& operator=(const CheckListBox&) = delete;
    ~CheckListBox();

    bool Attach(HWND dialog, int controlId);
    HWND Hwnd() const { return hwnd_; }

    void Reset();
    int Add(const std::string& text);
    int Count() const;
    int Current() const;
    int Check(int index) const;
    void SetCheck(int index, int state);

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    void Draw(const DRAWITEMSTRUCT& dis);
    void Toggle(int index);
    int BoxSize() const;

    HWND hwnd_ = nullptr;
};

}  // namespace prinstall::ui
