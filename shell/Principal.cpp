#include "shell/Principal.h"

#include "shell/Formats.h"
#include "shell/IniFile.h"
#include "summary/FormClient.h"
#include "summary/SampleDocument.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace velorix {

namespace {
const QString kConfig = QStringLiteral("config");
}

TForm1::TForm1(Platform platform, FormOptions options, QObject* parent)
    : QObject(parent), platform_(std::move(platform)), options_(std::move(options)),
      IdHTTP1_(std::make_unique<FormClient>()) {
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, [this] { guarded([this] { Timer1Timer(); }); });
    IdHTTP1_->setTimeouts(options_.httpConnectTimeoutMs, options_.httpTotalTimeoutMs);
    // The JSON tab's design-time text, sent until the first document of the run is built.
    Memo1.Text = SampleDocument();
}

TForm1::~TForm1() = default;

QString TForm1::settingsPath(const QString& file) const { return QDir(options_.dir).filePath(file); }

void TForm1::requestTermination() {
    terminationRequested_ = true;
    emit terminationRequestedSignal();
}

void TForm1::log(const QString& line) {
    Memo_log.add(line);
    emit logLine(line);
    emit stateChanged();
}

void TForm1::clearLog() {
    Memo_log.clear();
    emit stateChanged();
}

void TForm1::FormCreate() {
    // 1. a second copy quits as soon as its event loop starts, without a window
    if (platform_.singleInstance->isAlreadyRunning(UniqueMutexName)) requestTermination();

    // 2. the sync period's pickers
    const QDateTime now = platform_.clock->now();
    MaskInicio.Date = QDateTime(QDate(now.date().year(), now.date().month(), 1), QTime(0, 0));
    MaskFim.Date = now;

    // 4.-5. the ERP database
    Conexao_.close();
    Conexao_.setParams(BancoIni::load(settingsPath("Banco.ini")));
    QString error;
    if (!Conexao_.open(&error)) {
        log("Falha ao conectar Banco Local");
        log(error);
    } else {
        // The detail uploads need the CNPJ before the window is ever shown.
        try {
            loadEmpresa();
        } catch (const std::exception& e) {
            log(QString::fromUtf8(e.what()));
        }
    }

    // 6. the store database connection's parameters
    lercatalogo();

    // 7. settings
    abreConfig();

    // 8. automatic sync
    if (ligado == "S") {
        btnDesligar.Visible = true;
        editMinutos.Enabled = false;
        ApplicationEvents1Minimize();
        editMinutos.Text = tempo;
        FTimeRemaining = CountdownSeconds(tempo);
        lbcontagem.Caption = QString::asprintf("Próxima sincronização em: %.2d:%.2d", FTimeRemaining / 60,
                                               FTimeRemaining % 60);
        Timer1.start();
    } else {
        btn_ligar.Visible = true;
    }

    // 9. into the tray; without a tray the window is the only way in, so it stays on screen
    if (platform_.tray->available()) {
        Visible = false;
        Minimized = true;
        platform_.tray->setVisible(true);
        platform_.tray->showBalloon("Integrador", balloonText);
    } else {
        Visible = true;
        Minimized = false;
    }

    // 10. version label
    Labversao.Caption = QStringLiteral("Versão: ") + platform_.version->fileVersion(options_.executablePath);
    changed();
}

void TForm1::loadEmpresa() {
    QSqlQuery qryEmpresa(Conexao_.database());
    qryEmpresa.setForwardOnly(true);
    const QString sql = QStringLiteral(
        "Select emp.*, cid.coduf VIRTUAL_ID_UF, cid.uf VIRTUAL_UF from empresa emp\r\n"
        "left join cidade cid on cid.codigo=emp.id_cidade\r\n"
        "/*where*/\r\n"
        "/*ordem*/");
    if (!qryEmpresa.exec(sql)) {
        // A closed connection gives no driver text; the error box and the log need one.
        const QString error = qryEmpresa.lastError().text().trimmed();
        throw std::runtime_error((error.isEmpty() ? QStringLiteral("ERP database not connected") : error).toStdString());
    }
    const QSqlRecord rec = qryEmpresa.record();
    auto text = [&](const char* col) {
        const int i = rec.indexOf(col);
        return i < 0 ? QString() : qryEmpresa.value(i).toString().trimmed();
    };
    if (qryEmpresa.next()) {
        vCNPJ = text("CNPJ");
        DBEdit_fantasia.Text = text("FANTASIA");
        DBEdit_razao.Text = text("RAZAO");
        // The tab shows these two in lower case, and the sign-up sends what the tab shows.
        DBEdit_cnpj.Text = vCNPJ.toLower();
        DBEdit_responsavel.Text = text("RESPONSAVEL_EMPRESA");
        DBEdit_email.Text = text("EMAIL").toLower();
    } else {
        vCNPJ.clear();
        for (TEdit* e : {&DBEdit_fantasia, &DBEdit_razao, &DBEdit_cnpj, &DBEdit_responsavel, &DBEdit_email}) e->Text.clear();
    }
    // Ends the read transaction now: an open one holds back the ERP's garbage collection.
    qryEmpresa.finish();
}

void TForm1::FormShow() {
    // An error here reaches the default error display; vCNPJ keeps its value.
    Conexao_.ensureOpen();
    loadEmpresa();
    changed();
}

void TForm1::FormClose() {}

void TForm1::abreConfig() {
    const IniFile ini = IniFile::load(settingsPath("app.ini"));
    // The defaults apply, but the user is told why the settings are gone; the file itself is
    // left alone (a save refuses to replace it).
    if (!ini.readError().isEmpty()) log(ini.readError());
    email = ini.readString(kConfig, "email", "");
    ligado = ini.readString(kConfig, "ligado", "");
    tempo = ini.readString(kConfig, "tempo", "");
    api = ini.readString(kConfig, "api", "");
    api2 = ini.readString(kConfig, "api2", "");
    editMinutos.Text = tempo;
    pnEmail.Text = email;
    edt_api.Text = api;
    edt_api2.Text = api2;
    edtEmpresa.Text = ini.readString(kConfig, "novoenvio", "");
    chkIniciarWindows.Checked = ini.readBool(kConfig, "inciarwindows", false);
    chkSincVendas.Checked = ini.readBool(kConfig, "SincVendas", false);
    chkSincNFe.Checked = ini.readBool(kConfig, "SincNFe", false);
    chk_notificacao.Checked = ini.readBool(kConfig, "notificacao", false);
    chkVendasApp.Checked = ini.readBool(kConfig, "VendasApp", false);
    chkPagareReceber.Checked = ini.readBool(kConfig, "PagareReceber", false);
    chkEstoqueUn.Checked = ini.readBool(kConfig, "Estoque_UND", false);
    chkEstoqueGeral.Checked = ini.readBool(kConfig, "Estoque_GERAL", false);
    chkQualidade.Checked = ini.readBool(kConfig, "Qualidade", false);
    chkCatalogo.Checked = ini.readBool(kConfig, "Catalogo", false);
    somPedido = ini.readString(kConfig, "som_pedido", "");
    // Not in the window: a private CA for the web panel.
    IdHTTP1_->setCaFile(ini.readString(kConfig, "certificado_ca", ""));
    changed();
}

void TForm1::salvaConfiguracoes(const QString& liga) {
    // The whole file is written at once (temporary file + rename): a failure leaves the old one.
    IniFile ini = IniFile::load(settingsPath("app.ini"));
    ini.writeString(kConfig, "ligado", liga);
    ini.writeString(kConfig, "tempo", editMinutos.Text);
    ini.writeString(kConfig, "email", pnEmail.Text);
    ini.writeString(kConfig, "api", edt_api.Text);
    ini.writeString(kConfig, "api2", edt_api2.Text);
    ini.writeString(kConfig, "novoenvio", edtEmpresa.Text);
    ini.writeBool(kConfig, "inciarwindows", chkIniciarWindows.Checked);
    ini.writeBool(kConfig, "SincVendas", chkSincVendas.Checked);
    ini.writeBool(kConfig, "SincNFe", chkSincNFe.Checked);
    ini.writeBool(kConfig, "notificacao", chk_notificacao.Checked);
    ini.writeBool(kConfig, "VendasAPP", chkVendasApp.Checked);
    ini.writeBool(kConfig, "PagareReceber", chkPagareReceber.Checked);
    ini.writeBool(kConfig, "Estoque_UND", chkEstoqueUn.Checked);
    ini.writeBool(kConfig, "Estoque_GERAL", chkEstoqueGeral.Checked);
    ini.writeBool(kConfig, "Qualidade", chkQualidade.Checked);
    ini.writeBool(kConfig, "Catalogo", chkCatalogo.Checked);
    ini.save();
    InciarComWindows(chkIniciarWindows.Checked);
}

}  // namespace velorix
