#pragma once

#include <QString>
#include <functional>

#include "app/dialogs/UserDialogs.h"

namespace pw {

class TextVariables;

// The desktop program's dialogs: each question, input and timed message gets a window of its
// own, made with the current texts and shown modally.
class QtUserDialogs final : public UserDialogs {
public:
    // beep: the message beep with its sound type (the key output's beep).
    QtUserDialogs(const TextVariables& texts, std::function<void(int)> beep);

    using UserDialogs::inform;
    using UserDialogs::timedInfo;

    bool confirm(const QString& question) override;
    QString askText(const QString& caption, const QString& initial) override;
    void inform(const QString& message) override;
    void timedInfo(const QString& caption, const QString& message) override;
    QString openFile(const QString& windowsFilter, const QString& defaultSuffix) override;

private:
    const TextVariables& texts_;
    std::function<void(int)> beep_;
    QString lastDirectory_;
};

// A Windows filter ("Text (*.a;*.b)|*.a;*.b|Alle Dateien (*.*)|*.*") as a Qt file dialog filter
// ("Text (*.a *.b);;Alle Dateien (*)"). "*.*" means every file, as on Windows.
QString qtFileFilter(const QString& windowsFilter);

}  // namespace pw
