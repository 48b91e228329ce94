#pragma once
// Points a test form's app.ini at the panel stand-in (its generated certificate trusted as the
// CA file). Tests that include this link velorix_panel_lib.

#include "ErpFixture.h"
#include "FormHarness.h"
#include "tools/panel/PanelServer.h"

namespace velorix::testing {

// app.ini with the endpoint base /painel, the summary address /app.php, an e-mail, the CA file
// and `extra` lines (each ending in "\r\n").
inline void writePanelSettings(FormHarness& h, const panel::PanelServer& panel, const QByteArray& extra = {}) {
    h.write("panel-ca.pem", QByteArray::fromStdString(panel.certificatePem()));
    h.write("app.ini", "[config]\r\nnovoenvio=" + QByteArray::fromStdString(panel.url("/painel")) +
                           "\r\napi=" + QByteArray::fromStdString(panel.url("/app.php")) +
                           "\r\nemail=loja@exemplo.com.br\r\ncertificado_ca=" + h.path("panel-ca.pem").toUtf8() +
                           "\r\n" + extra);
}

// Starts the panel, points the form at it and at `erp`, sets the clock and runs start-up; the
// activity log starts empty.
inline TForm1& startOverErpAndPanel(FormHarness& h, panel::PanelServer& panel, const ErpFixture& erp,
                                    const QDateTime& now) {
    panel.start();
    writePanelSettings(h, panel);
    h.write("Banco.ini", erp.bancoIni().toUtf8());
    h.fakes.clock->set(now);
    h.make();
    h.form->clearLog();
    return *h.form;
}

}  // namespace velorix::testing
