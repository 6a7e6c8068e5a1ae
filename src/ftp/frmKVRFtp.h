// frmKVRFtp: a small FTP client window that drives one clsKVRUpload object by hand. The user
// types a server, a user and a password, connects, sees the names of the server's current
// directory, and by clicking a name fetches that file (Save dialog) and sends one back (Open
// dialog). Hosts open the default instance modally; it returns when the window unloads.
#pragma once

#include "ftp/clsKVRUpload.h"
#include "platform/ui/Form.h"

#include <memory>

namespace kvr {

class frmKVRFtp : public ui::Form {
  public:
    frmKVRFtp();
    ~frmKVRFtp() override;

    const DispatchTable* dispatch_table() const override;

    // Show, modal: returns when the window has unloaded. A window nobody can answer (a
    // headless host with no queued action) is unloaded before the error goes on.
    void Show();

    // Event handlers.
    void cmdConnect_Click();
    void cmdDisconnect_Click();
    void lstServer_Click();

    // The window's FTP object; null while the window is not loaded.
    clsKVRUpload* ftp() const { return oFtp.get(); }

    // The three labels form one control array: Label1(0), Label1(1), Label1(2).
    ui::Control& Label1_0;
    ui::Control& Label1_1;
    ui::Control& txtServer;
    ui::Control& txtUser;
    ui::Control& txtPassword;
    ui::Control& Label1_2;
    ui::Control& cmdConnect;
    ui::Control& cmdDisconnect;
    ui::Control& lstServer;

  protected:
    void Form_Load() override;
    void Form_Unload() override;

  private:
    void DefinirEstadoConexao(bool bConectado);

    std::unique_ptr<clsKVRUpload> oFtp;
};

} // namespace kvr
