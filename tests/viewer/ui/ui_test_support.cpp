#include "tests/viewer/ui/ui_test_support.h"

#include <QApplication>
#include <QThread>
#include <cstdlib>
#include <memory>
#include <random>

#include "viewer/ui/messages.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/window_table.h"

namespace uitest {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        // Headless, whatever the machine has.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
        qarvo::ui::detail::PrepareGuiQueue();
    }
    void TearDown() override
    {
        qarvo::ui::detail::DestroyAllWindows();
        m_app.reset();
    }

private:
    int m_argc = 1;
    char m_name[16] = "viewer_ui_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

bool PumpUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

void Pump()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

QWidget* WidgetOf(WindowHandle handle)
{
    qarvo::ui::detail::WindowRecord* rec = qarvo::ui::detail::FindRecord(handle);
    return rec ? rec->widget.data() : nullptr;
}

WindowProcedure MessageLog::Procedure()
{
    return [this](WindowHandle& window, unsigned& message, WParam& wParam, LParam& lParam) -> LResult {
        entries.push_back(Entry{window, message, wParam, lParam});
        return answer ? answer(window, message, wParam, lParam) : 0;
    };
}

std::vector<MessageLog::Entry> MessageLog::Of(unsigned message) const
{
    std::vector<Entry> out;
    for (const Entry& e : entries)
        if (e.message == message)
            out.push_back(e);
    return out;
}

std::vector<int> MessageLog::Commands() const
{
    std::vector<int> out;
    for (const Entry& e : entries)
        if (e.message == WM_COMMAND)
            out.push_back(static_cast<int>(LowWord(e.wParam)));
    return out;
}

TempDir::TempDir()
{
    std::random_device seed;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("pelmora-ui-" + std::to_string(seed()));
        if (std::filesystem::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    ADD_FAILURE() << "no temporary folder";
}

TempDir::~TempDir()
{
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

void UiTest::SetUp()
{
    SetDesktop(&desktop);
}

void UiTest::TearDown()
{
    qarvo::ui::detail::DestroyAllWindows();
    Pump();
    SetDesktop(nullptr);
}

}  // namespace uitest
