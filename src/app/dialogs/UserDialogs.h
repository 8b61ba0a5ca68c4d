#pragma once

#include <QString>
#include <string_view>

#include "controllers/ControllerRegistry.h"

namespace pw {

// What the program asks and tells the user. The desktop program shows its own small windows;
// page tests answer from a script. Every question is modal: the call returns with the answer.
class UserDialogs : public Announcer {
public:
    // Yes/no dialog titled "Bestätigen": true for "Ja"; "Nein", Escape and the close box answer no.
    virtual bool confirm(const QString& question) = 0;
    // Input dialog with this caption, the label "Eingabe" and `initial` in its field. The text on
    // "OK" or Enter, empty on "Abbrechen" or Escape, `initial` when closed by the close box. The
    // callers take an empty text as a cancel.
    virtual QString askText(const QString& caption, const QString& initial) = 0;
    // Information box with a single OK; the mouse cursor is set back to normal first.
    virtual void inform(const QString& message) = 0;
    // The self-closing countdown window, always on top.
    virtual void timedInfo(const QString& caption, const QString& message) = 0;
    // A file open dialog. `windowsFilter` is "Text (*.a;*.b)|*.a;*.b|..." as the text variables
    // build it; `defaultSuffix` is added to a typed name without one. Empty when cancelled.
    virtual QString openFile(const QString& windowsFilter, const QString& defaultSuffix) = 0;

    // Announcer: the controller switch announces through the same windows.
    void inform(std::string_view message) override {
        inform(QString::fromUtf8(message.data(), qsizetype(message.size())));
    }
    void timedInfo(std::string_view caption, std::string_view message) override {
        timedInfo(QString::fromUtf8(caption.data(), qsizetype(caption.size())),
                  QString::fromUtf8(message.data(), qsizetype(message.size())));
    }
};

}  // namespace pw
