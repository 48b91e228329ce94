#pragma once
// The main window's state and routines. `TForm1` holds the controls' state (see Controls.h) and
// the long-lived objects; the widget class MainWindow only draws it and forwards clicks, so the
// headless modes and the tests run every routine without a display.

#include "metrics/ErpQuery.h"
#include "metrics/uConsultas.h"
#include "platform/Platform.h"
#include "shell/Conexao.h"
#include "shell/Controls.h"
#include "store/StoreConnection.h"

#include <QObject>
#include <QTimer>
#include <memory>

namespace velorix {

class FormClient;

// Where the settings files live and how the HTTP clients are tuned; fixed for the run.
struct FormOptions {
    QString dir;                  // directory of Banco.ini and app.ini
    QString executablePath;       // the program file (version label, autostart, restart)
    long httpConnectTimeoutMs = 15000;
    long httpTotalTimeoutMs = 120000;
};

class TForm1 : public QObject {
    Q_OBJECT
public:
    static constexpr const char* UniqueMutexName = "{357E4934-119E-4245-9838-59D0D7718500}";

    TForm1(Platform platform, FormOptions options, QObject* parent = nullptr);
    ~TForm1() override;

    // ---- life cycle
    void FormCreate();
    void FormShow();
    void FormClose();
    bool terminationRequested() const { return terminationRequested_; }
    void requestTermination();

    // ---- settings file
    void abreConfig();
    void salvaConfiguracoes(const QString& liga);

    // ---- sync cycle and summary upload
    void cxBtn_syncClick();
    void Label3Click();
    bool insere_dados();
    void mensagens(const QString& mensagem);

    // ---- detail uploads (uploads/)
    void TotalVendas();
    void TotalVendasFICAL();
    void formadepagamento();
    void formadepagamento_nfce();
    void contasapagar();
    void receber();
    void lucratividade();
    void produtos_mais();
    void Qualidade();
    void compras();
    void consultarMovimentacaoCaixa();
    // Scratch of the statements assembled through the order placeholder.
    QString vSql1, vOrdem;
    // Request limits of the detail uploads: connection time-out, and the longest wait without a
    // byte moving (a silent web panel must not hang the cycle). The best-seller list has its own.
    long detailConnectTimeoutMs = 30000;
    long detailReadTimeoutMs = 300000;
    long produtosMaisConnectTimeoutMs = 10000;
    long produtosMaisReadTimeoutMs = 30000;
    // The longest a whole request may take, for an answer that trickles in without ever pausing.
    long detailTotalTimeoutMs = 1800000;
    long produtosMaisTotalTimeoutMs = 120000;

    // ---- scheduler
    void Timer1Timer();
    void btn_ligarClick();
    void btnDesligarClick();

    // ---- tray and window
    void ApplicationEvents1Minimize();
    void btFecharClick();
    void TrayIcon1DblClick();
    void ShowApplication();
    void ChangeStatusWindow();
    void RestaurarAplicao1Click();
    void SairdaAplicao1Click();
    // Closes the main window, which ends the program.
    void Close();
    void ForaFechamento1Click();

    // ---- start at logon, system information
    void InciarComWindows(bool Iniciar);
    QString ObterVersaoSO();
    QString UsuarioLogado();

    // ---- settings lock and scrambler
    void editSenhaChange();
    QString Crypt(const QString& Action, const QString& Src);

    // ---- online store link (store/)
    void lercatalogo();
    void Buscar_catalogo();
    void enviarprodutos();
    // The order alert played when no "som_pedido" is set: toque.wav beside the program (or in
    // ../share/velorix once installed).
    QString somPedidoPadrao() const;
    StoreConnection ConexaoCATALOGO;
    QString somPedido;          // app.ini "som_pedido"; relative to the settings directory
    QString Label10FontColor;   // empty: the design colour; "#0000FF" once an order notice is shown
    qint64 pedidosPendentes = 0;  // rows of the last order watch
    qint64 produtosEnviados = 0;  // products written by the last stock push

    // Runs a handler as the event loop would: an error that escapes it reaches the default
    // error display and the program goes on.
    template <typename F>
    void guarded(F&& f) {
        try {
            f();
        } catch (const std::exception& e) {
            platform_.errors->showError(QString::fromUtf8(e.what()));
        }
    }

    // ---- the activity log
    void log(const QString& line);
    void clearLog();

    // Tells the view the state changed (call after a routine changed controls).
    void changed() { emit stateChanged(); }

    Platform& platform() { return platform_; }
    const FormOptions& options() const { return options_; }
    Conexao& conexao() { return Conexao_; }
    FormClient& IdHTTP1() { return *IdHTTP1_; }
    QString settingsPath(const QString& file) const;
    // Loads the company row (qryEmpresa) into the tab "Empresa" and `vCNPJ`. Throws on a database error.
    void loadEmpresa();

    // ---- controls (captions and initial states as the window is designed)
    QString Caption = "Sincronizador - Velorix";
    bool Visible = false;
    bool Minimized = false;
    TLabel Label3{{}, "SINCRONIZADOR - VELORIX"};
    TLabel Labversao{{}, QStringLiteral("Versão")};
    TButton cxBtn_sync{{}, QStringLiteral("Sincronizar com banco web")};
    TMemo Memo_log{{false, true}, {}};
    TEdit edtEmpresa{{false, true}, {}, {}};
    TDatePicker MaskInicio;
    TDatePicker MaskFim;
    TLabel lbDatahora{{}, "...."};
    TLabel lbcontagem{{}, "...."};
    TCheckBox chkIniciarWindows{{false, true}, "Iniciar com Windows ", false};
    TCheckBox chk_notificacao{{false, true}, QStringLiteral("Notificação do Sync"), false};
    TCheckBox chkSincVendas{{false, true}, "Sincronizar Vendas", false};
    TCheckBox chkSincNFe{{false, true}, "Sincronizar NFe", false};
    TCheckBox chkVendasApp{{false, true}, "Vendas APP", false};
    TCheckBox chkPagareReceber{{false, true}, "Pagar e Receber", false};
    TCheckBox chkEstoqueUn{{false, true}, "UND", false};
    TCheckBox chkEstoqueGeral{{false, true}, "Padrao", false};
    TCheckBox chkQualidade{{false, true}, "Qualidade", false};
    TCheckBox chkPeriodo{{true, true}, "Enviar Completo", false};
    TLabel lb_api{{true, false}, "Api envio Jason"};
    TEdit edt_api{{true, false}, {}, {}};
    TLabel lb_email{{}, "Email vinculado a empresa"};
    TEdit pnEmail{{}, {}, "Email"};
    TButton btn_ligar{{true, false}, "LIGAR"};
    TButton btnDesligar{{true, false}, "DESLIGAR"};
    TEdit editMinutos{{false, true}, "10", {}};
    TMemo Memo1;
    TEdit DBEdit_fantasia, DBEdit_razao, DBEdit_cnpj, DBEdit_responsavel, DBEdit_email;
    TLabel Label4{{true, false}, "Api Cadastro"};
    TEdit edt_api2{{true, false}, {}, {}};
    TEdit editSenha;
    TButton cxButton_enviar_empresa{{false, true}, "Enviar dados da Empresa"};
    TCheckBox chkCatalogo{{false, true}, "Ativar Catalogo", false};
    TLabel labmensagem{{}, ">>>> "};
    TLabel Label10{{}, "Status"};
    QString SairdaAplicao1Caption = QStringLiteral("Sair da Aplicação");

    // ---- fields
    QDateTime DataInicio;
    QDateTime DataFim;
    quint32 Flags = 0;
    QString vCNPJ;
    qint32 FTimeRemaining = 0;
    QTimer Timer1;
    QString json;
    // Whether the last summary upload was accepted (the one-shot command line reports it).
    bool lastUploadAccepted = false;

    // unit variables loaded by abreConfig
    QString email, ligado, tempo, api, api2;
    QString balloonText;

signals:
    void stateChanged();
    // The window should be closed (tray menu, "DESLIGAR"): ends the program.
    void closeRequested();
    // The view should show, hide or raise the window after the model's Visible flag.
    void windowStateRequested();
    void logLine(const QString& line);
    void terminationRequestedSignal();

private:
    Platform platform_;
    FormOptions options_;
    Conexao Conexao_;
    std::unique_ptr<FormClient> IdHTTP1_;
    bool terminationRequested_ = false;

    // ---- summary document and company sign-up (summary/)
public:
    QString GerarJSON();
    bool insere_empresa();
    void cxButton_enviar_empresaClick();
    // The unit of the ERP figures and the query object it shares with the uploads. Declared
    // after the connection: built once it exists, released before it goes.
    uConsultas Consultas{contextoDe(*this)};
    ErpQuery qryAux{Conexao_.database()};
};

}  // namespace velorix
