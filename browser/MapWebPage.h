#pragma once

#include <QWebEnginePage>
#include <array>
#include <chrono>

namespace corvane {

// The web page that hosts the station's map. It answers the page's script
// dialogs itself and never shows one: a box over the map waits for an
// operator the station may not have (headless, or away from the desk), and
// every later script call would queue behind it. alert() is answered at once,
// confirm() and before-unload with "no" (the document stays), prompt() as
// cancelled. Each kind is traced at most once a minute, with the number of
// dialogs answered since its last line.
//
// Ownership: a QObject; the caller gives it a parent (usually the view that
// shows it). Threads: GUI thread only, where the engine calls the dialog
// functions. Throws: only std::bad_alloc.
class MapWebPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit MapWebPage(QObject* parent = nullptr);

    enum class Dialog
    {
        Alert,
        Confirm,
        Prompt,
        Unload
    };

    // Dialogs of that kind answered so far.
    int answered(Dialog kind) const { return m_kinds[index(kind)].answered; }

    // How long a traced kind stays quiet.
    static constexpr std::chrono::seconds traceQuiet{60};

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                          const QString& defaultValue, QString* result) override;

private:
    struct Kind
    {
        int answered = 0;
        int untraced = 0; // answered since the last trace line
        std::chrono::steady_clock::time_point traced{};
        bool everTraced = false;
    };
    static std::size_t index(Dialog kind) { return static_cast<std::size_t>(kind); }
    void note(Dialog kind, const QString& text);

    std::array<Kind, 4> m_kinds{};
};

} // namespace corvane
