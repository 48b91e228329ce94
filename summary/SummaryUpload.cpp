// The summary upload: the e-mail and the JSON tab's text, form-posted to the summary address.
#include "shell/Formats.h"
#include "shell/Principal.h"
#include "summary/FormClient.h"

namespace velorix {

bool TForm1::insere_dados() {
    lastUploadAccepted = false;
    try {
        FormClient& http = *IdHTTP1_;
        http.accept = "text/html, image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
        http.userAgent = "Mozilla/4.0";
        const QString answer = http.post(edt_api.Text, {{"email", pnEmail.Text}, {"json", Memo1.Text}});
        lastUploadAccepted = TrimControl(answer) == "1";
        return lastUploadAccepted;
    } catch (const std::exception& e) {
        log("Falha ao atualizar JSON - " +
            FormatDateTime("dd/mm/yyyy hh:mm:ss", platform_.clock->now(), platform_.regional->settings()));
        log(QString::fromUtf8(e.what()));
        return false;
    }
}

}  // namespace velorix
