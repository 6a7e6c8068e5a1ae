// ctlKVRUpload: the control a host places and drives. Its eight properties carry the settings
// of a transfer, Download and UpLoad move one file over HTTP or HTTPS through the transfer
// window, and CreateObjectFtp hands out FTP clients. On its host's surface it is a small
// marker: the blue label "KVRUpload".
#pragma once

#include "platform/automation/Variant.h"
#include "platform/ui/Form.h"

#include <cstdint>
#include <memory>

namespace kvr {

class DispatchTable;
class frmKVRProgress;

class ctlKVRUpload : public ui::Form {
  public:
    static constexpr const char* kProgId = "KVRUpload.ctlKVRUpload";
    static constexpr const char* kClsid = "{8B7BF170-E2CB-40E1-B092-A1BF3D8141BD}";
    static constexpr const char* kIid = "{1872768B-B121-11D6-AB67-00001C091A0A}";
    static constexpr const char* kEventIid = "{1872768C-B121-11D6-AB67-00001C091A0A}";
    static constexpr const char* kTypeLibId = "{520CA3F0-B102-487E-8F53-4CDF4A79AE68}";

    ctlKVRUpload();
    // The termination handler: releases oServidorAsp, and nothing else.
    ~ctlKVRUpload() override;

    // Flag properties: "SIM" or "NAO", trimmed and upper-cased on entry.
    Variant ExibirProgresso() const;
    void ExibirProgresso(const Variant& vData);
    Variant FecharProgresso() const;
    void FecharProgresso(const Variant& vData);
    // Required-text properties: refused when blank, stored unchanged otherwise.
    Variant UserName() const;
    void UserName(const Variant& vData);
    Variant Password() const;
    void Password(const Variant& vData);
    Variant Protocol() const;
    void Protocol(const Variant& vData);
    Variant RemoteHost() const;
    void RemoteHost(const Variant& vData);
    Variant RemotePort() const;
    void RemotePort(const Variant& vData);
    Variant ProxyAddress() const;
    void ProxyAddress(const Variant& vData);

    // A new, independent FTP client for the host (an object Variant).
    Variant CreateObjectFtp();

    Variant Download(const Variant& sURLFile, const Variant& sOutPutFile = Variant::missing(),
                     const Variant& sOptDialog = Variant("NAO"));
    Variant UpLoad(const Variant& sURLFile, const Variant& sInPutFile = Variant::missing(),
                   const Variant& sOptDialog = Variant("NAO"));

    // The request preparation. Private to the control's interface (not in its dispatch
    // table); public in C++ so the preparation can be checked on its own.
    Variant ProcessarParametros();

    // Whether the server-environment component is held (it is created by the first request
    // that gets past its preparation).
    bool holds_server_environment() const { return static_cast<bool>(oServidorAsp); }

    const DispatchTable* dispatch_table() const override;

  private:
    using WindowRoutine = Variant (frmKVRProgress::*)(const Variant&, const Variant&,
                                                      const Variant&);
    // The common body of Download and UpLoad.
    Variant Transferir(WindowRoutine rotina, const Variant& sURLFile, const Variant& sArquivo,
                       const Variant& sOptDialog);

    std::shared_ptr<Object> oServidorAsp;
    Variant m_ProxyAddress;
    Variant m_RemotePort;
    Variant m_RemoteHost;
    Variant m_Protocol;
    Variant m_UserName;
    Variant m_Password;
    Variant m_ExibirProgresso;
    Variant m_FecharProgresso;
};

} // namespace kvr
