// The lobby's first window: a server, an account and a password, with
// "Create account" and "Play as guest". What it signs in with is remembered
// in the game's own section of the settings file, except the password,
// which goes to the desktop's secret store where one answers and is not
// kept anywhere else.
#pragma once

#include "lobby/xmppclient.h"
#include "store/netchoices.h"

#include <QDialog>

#include <filesystem>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dw::lobby {

class SignInWindow : public QDialog {
    Q_OBJECT
public:
    // Signs in through `client`; the settings file is `iniPath`.
    SignInWindow(XmppClient& client, std::filesystem::path iniPath, QWidget* parent = nullptr);

    // After signedIn(): the room to join and the nickname to join it with.
    QString roomJid() const { return roomJid_; }
    QString nick() const { return nick_; }

    // The name under which passwords are kept in the secret store.
    static QString keychainService();

signals:
    void signedIn();

private:
    void start(SignIn::Mode mode);
    void done();
    void busy(bool on);
    void readStoredPassword();
    void storePassword();
    void say(const QString& text, bool error);

    XmppClient& client_;
    std::filesystem::path iniPath_;
    LobbyChoices choices_;
    SignIn::Mode mode_ = SignIn::Mode::Account;
    QString roomJid_;
    QString nick_;
    QLineEdit* pilot_;
    QLineEdit* server_;
    QLineEdit* account_;
    QLineEdit* password_;
    QLineEdit* room_;
    QPushButton* signIn_;
    QPushButton* create_;
    QPushButton* guest_;
    QLabel* status_;
};

} // namespace dw::lobby
