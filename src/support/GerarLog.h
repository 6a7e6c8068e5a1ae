// GerarLog: the library's log writer. Each call writes one line (date and time, instance,
// application, routine, message) to a file chosen by the day of the week, so the files of
// one week are reused in the next. It never raises and never reports: a line that cannot be
// written is lost without a sign.
//
// Folders are local paths written the legacy way and made native by
// kvr::sys::native_local_path(): outside Windows "\" becomes "/" and a drive root such as
// "c:\" is "/". So the download's folder "c:\KVRUpload.log" is the folder "/KVRUpload.log/", and
// its lines are written only where such a folder exists. The folder is never created.
#pragma once

#include "platform/automation/Variant.h"

namespace kvr {

void GerarLog(const Variant& sGravarLog, const Variant& sInstancia, const Variant& sMensagem,
              const Variant& sNomeLog = Variant::missing(),
              const Variant& sRotina = Variant::missing(),
              const Variant& bErro = Variant::missing(),
              const Variant& sAplicacao = Variant::missing(),
              const Variant& sDiretorioLog = Variant::missing());

} // namespace kvr
