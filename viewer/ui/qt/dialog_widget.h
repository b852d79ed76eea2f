#pragma once
// The widget of a dialog: an optional menu bar above a client area in which the controls sit
// at their template positions. Closing it by the window's close box asks its procedure
// (WM_CLOSE) instead of closing; only DestroyWindow removes it.

#include <QMenuBar>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "viewer/ui/types.h"

class QAction;

namespace qarvo::ui::detail {

// Sends WM_SIZE to an initialised dialog whose client size differs from the last one sent.
void NotifyClientSize(WindowHandle dialog);

class ClientWidget : public QWidget {
public:
    explicit ClientWidget(QWidget* parent) : QWidget(parent) {}

    WindowHandle dialog = 0;
    // Status bars stay along the bottom edge whatever the size.
    void addBottomBar(QWidget* bar);
    void layoutBottomBars();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<QPointer<QWidget>> m_bottomBars;
};

class DialogWidget : public QWidget {
public:
    DialogWidget(QWidget* parent, Qt::WindowFlags flags);

    WindowHandle handle = 0;
    // Top-level dialogs keep the size they are given unless they may be resized.
    bool resizable = false;

    ClientWidget* client() const { return m_client; }
    void setMenuBar(QMenuBar* menuBar);
    QMenuBar* menuBar() const { return m_menuBar; }
    int menuHeight() const;
    QAction* findMenuAction(int id) const;

    // Sizes the whole widget so that the client area gets this size.
    void setClientSize(int width, int height);
    // Sizes the whole widget (the client area is what the menu leaves).
    void setOuterSize(int width, int height);
    void layoutClient();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ClientWidget* m_client;
    QMenuBar* m_menuBar = nullptr;
};

DialogWidget* DialogWidgetOf(WindowHandle dialog);

}  // namespace qarvo::ui::detail
