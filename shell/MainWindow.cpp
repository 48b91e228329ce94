#include "shell/MainWindow.h"

#include "shell/Principal.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStyle>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextOption>
#include <QToolButton>
#include <QVBoxLayout>

namespace velorix {

namespace {

template <typename W, typename C>
void pullCommon(W* w, const C& c) {
    w->setEnabled(c.Enabled);
    w->setVisible(c.Visible);
}

}  // namespace

MainWindow::MainWindow(TForm1& form, QWidget* parent) : QWidget(parent), form_(form) {
    setObjectName("TForm1");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(702, 553);

    auto label = [&](TLabel TForm1::*m, const char* name) {
        auto* l = new QLabel;
        l->setObjectName(name);
        return bind<QLabel>(l, [this, m](QLabel* w) { pullCommon(w, form_.*m); w->setText((form_.*m).Caption); });
    };
    auto check = [&](TCheckBox TForm1::*m, const char* name) {
        auto* c = new QCheckBox;
        c->setObjectName(name);
        connect(c, &QCheckBox::toggled, this, [this, m](bool on) { (form_.*m).Checked = on; });
        return bind<QCheckBox>(c, [this, m](QCheckBox* w) {
            QSignalBlocker b(w);
            pullCommon(w, form_.*m);
            w->setText((form_.*m).Caption);
            w->setChecked((form_.*m).Checked);
        });
    };
    auto edit = [&](TEdit TForm1::*m, const char* name, std::function<void()> onChange = {}) {
        auto* e = new QLineEdit;
        e->setObjectName(name);
        connect(e, &QLineEdit::textEdited, this, [this, m, onChange](const QString& t) {
            (form_.*m).Text = t;
            if (onChange) onChange();
        });
        return bind<QLineEdit>(e, [this, m](QLineEdit* w) {
            QSignalBlocker b(w);
            pullCommon(w, form_.*m);
            if (w->text() != (form_.*m).Text) w->setText((form_.*m).Text);
            w->setPlaceholderText((form_.*m).Hint);
            w->setToolTip((form_.*m).Hint);
        });
    };
    auto button = [&](TButton TForm1::*m, const char* name, std::function<void()> click) {
        auto* b = new QPushButton;
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, [this, click] { form_.guarded(click); });
        return bind<QPushButton>(b, [this, m](QPushButton* w) { pullCommon(w, form_.*m); w->setText((form_.*m).Caption); });
    };
    auto memo = [&](TMemo TForm1::*m, const char* name, bool readOnly, Qt::Alignment align = Qt::AlignLeft) {
        auto* t = new QPlainTextEdit;
        t->setObjectName(name);
        t->setReadOnly(readOnly);
        QTextOption option = t->document()->defaultTextOption();
        option.setAlignment(align);
        t->document()->setDefaultTextOption(option);
        if (!readOnly) connect(t, &QPlainTextEdit::textChanged, this, [this, m, t] { (form_.*m).Text = t->toPlainText(); });
        return bind<QPlainTextEdit>(t, [this, m](QPlainTextEdit* w) {
            QSignalBlocker b(w);
            QString shown = (form_.*m).Text;
            shown.replace("\r\n", "\n");
            if (w->toPlainText() != shown) w->setPlainText(shown);
        });
    };
    auto date = [&](TDatePicker TForm1::*m, const char* name) {
        auto* d = new QDateEdit;
        d->setObjectName(name);
        d->setCalendarPopup(true);
        d->setDisplayFormat("dd/MM/yyyy");
        connect(d, &QDateEdit::dateChanged, this, [this, m](const QDate& v) {
            (form_.*m).Date = QDateTime(v, (form_.*m).Date.time());
        });
        return bind<QDateEdit>(d, [this, m](QDateEdit* w) { QSignalBlocker b(w); w->setDate((form_.*m).Date.date()); });
    };

    // Title row
    auto* top = new QHBoxLayout;
    auto* title = label(&TForm1::Label3, "Label3");
    title->setStyleSheet("font-weight: bold; font-size: 16px;");
    title->setCursor(Qt::PointingHandCursor);
    title->installEventFilter(this);
    title_ = title;
    top->addWidget(title, 1);
    top->addWidget(label(&TForm1::Labversao, "Labversao"));
    auto* fechar = new QToolButton;
    fechar->setObjectName("btFechar");
    fechar->setIcon(style()->standardIcon(QStyle::SP_TitleBarMinButton));
    connect(fechar, &QToolButton::clicked, this, [this] { form_.btFecharClick(); });
    top->addWidget(fechar);

    // Left column: sync button, log, period
    auto* left = new QVBoxLayout;
    left->addWidget(button(&TForm1::cxBtn_sync, "cxBtn_sync", [this] { form_.cxBtn_syncClick(); }));
    left->addWidget(new QLabel("Logs"));
    auto* log = memo(&TForm1::Memo_log, "Memo_log", true, Qt::AlignHCenter);
    left->addWidget(log, 1);
    auto* period = new QFormLayout;
    period->addRow("Endpoint", edit(&TForm1::edtEmpresa, "edtEmpresa"));
    period->addRow(QStringLiteral("Início"), date(&TForm1::MaskInicio, "MaskInicio"));
    period->addRow("Fim", date(&TForm1::MaskFim, "MaskFim"));
    period->addRow(QStringLiteral("Última sincronização"), label(&TForm1::lbDatahora, "lbDatahora"));
    period->addRow(QStringLiteral("Contagem"), label(&TForm1::lbcontagem, "lbcontagem"));
    left->addLayout(period);

    // Tabs
    auto* tabs = new QTabWidget;
    tabs->setObjectName("PageControl1");

    auto* cfg = new QWidget;
    auto* cfgL = new QVBoxLayout(cfg);
    for (auto [m, n] : std::initializer_list<std::pair<TCheckBox TForm1::*, const char*>>{
             {&TForm1::chkIniciarWindows, "chkIniciarWindows"}, {&TForm1::chk_notificacao, "chk_notificacao"},
             {&TForm1::chkSincVendas, "chkSincVendas"}, {&TForm1::chkSincNFe, "chkSincNFe"},
             {&TForm1::chkVendasApp, "chkVendasApp"}, {&TForm1::chkPagareReceber, "chkPagareReceber"}}) {
        cfgL->addWidget(check(m, n));
    }
    auto* tipo = new QGroupBox("Tipo");
    auto* tipoL = new QHBoxLayout(tipo);
    tipoL->addWidget(check(&TForm1::chkEstoqueUn, "chkEstoqueUn"));
    tipoL->addWidget(check(&TForm1::chkEstoqueGeral, "chkEstoqueGeral"));
    cfgL->addWidget(tipo);
    cfgL->addWidget(check(&TForm1::chkQualidade, "chkQualidade"));
    cfgL->addWidget(check(&TForm1::chkPeriodo, "chkPeriodo"));
    cfgL->addWidget(label(&TForm1::lb_api, "lb_api"));
    cfgL->addWidget(edit(&TForm1::edt_api, "edt_api"));
    cfgL->addWidget(label(&TForm1::lb_email, "lb_email"));
    cfgL->addWidget(edit(&TForm1::pnEmail, "pnEmail"));
    auto* auto_ = new QGroupBox(QStringLiteral("Sincronizar Automático"));
    auto* autoL = new QHBoxLayout(auto_);
    autoL->addWidget(new QLabel("A CADA"));
    auto* minutos = edit(&TForm1::editMinutos, "editMinutos");
    minutos->setMaxLength(3);
    minutos->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,3}"), minutos));
    autoL->addWidget(minutos);
    autoL->addWidget(new QLabel("MINUTOS"));
    // "DESLIGAR" lies over "LIGAR": one place, the upper one shown when both are visible.
    auto* ligar = button(&TForm1::btn_ligar, "btn_ligar", [this] { form_.btn_ligarClick(); });
    auto* desligar = button(&TForm1::btnDesligar, "btnDesligar", [this] { form_.btnDesligarClick(); });
    pullers_.push_back([this, ligar] { if (form_.btnDesligar.Visible) ligar->setVisible(false); });
    autoL->addWidget(ligar);
    autoL->addWidget(desligar);
    cfgL->addWidget(auto_);
    cfgL->addStretch(1);
    tabs->addTab(cfg, QStringLiteral("Configurações"));

    tabs->addTab(memo(&TForm1::Memo1, "Memo1", false), "JSON");

    auto* emp = new QWidget;
    auto* empL = new QVBoxLayout(emp);
    auto* dados = new QGroupBox("Dados da Empresa");
    auto* dadosL = new QFormLayout(dados);
    dadosL->addRow("Nome Fantasia", edit(&TForm1::DBEdit_fantasia, "DBEdit_fantasia"));
    dadosL->addRow(QStringLiteral("Razão Social"), edit(&TForm1::DBEdit_razao, "DBEdit_razao"));
    dadosL->addRow("CNPJ", edit(&TForm1::DBEdit_cnpj, "DBEdit_cnpj"));
    dadosL->addRow(QStringLiteral("Responsável pela Empresa"), edit(&TForm1::DBEdit_responsavel, "DBEdit_responsavel"));
    dadosL->addRow("Email", edit(&TForm1::DBEdit_email, "DBEdit_email"));
    empL->addWidget(dados);
    empL->addWidget(label(&TForm1::Label4, "Label4"));
    empL->addWidget(edit(&TForm1::edt_api2, "edt_api2"));
    auto* senha = edit(&TForm1::editSenha, "editSenha", [this] { form_.editSenhaChange(); });
    senha->setEchoMode(QLineEdit::Password);
    empL->addWidget(senha);
    empL->addWidget(button(&TForm1::cxButton_enviar_empresa, "cxButton_enviar_empresa", [this] { form_.cxButton_enviar_empresaClick(); }));
    empL->addStretch(1);
    tabs->addTab(emp, "Empresa");

    auto* loja = new QWidget;
    auto* lojaL = new QVBoxLayout(loja);
    lojaL->addWidget(check(&TForm1::chkCatalogo, "chkCatalogo"));
    lojaL->addWidget(label(&TForm1::labmensagem, "labmensagem"));
    auto* status = label(&TForm1::Label10, "Label10");
    pullers_.push_back([this, status] {
        status->setStyleSheet(form_.Label10FontColor.isEmpty() ? QString() : "color: " + form_.Label10FontColor + ";");
    });
    lojaL->addWidget(status);
    lojaL->addStretch(1);
    tabs->addTab(loja, "Loja");

    auto* body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addWidget(tabs, 1);
    auto* root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addLayout(body, 1);

    // Tray menu
    pmMenu_ = new QMenu(this);
    pmMenu_->setObjectName("pmMenu");
    auto* restaurar = pmMenu_->addAction(QStringLiteral("Restaurar Aplicação"));
    restaurar->setObjectName("RestaurarAplicao1");
    connect(restaurar, &QAction::triggered, this, [this] { form_.RestaurarAplicao1Click(); });
    pmMenu_->addSeparator();
    SairdaAplicao1_ = pmMenu_->addAction(form_.SairdaAplicao1Caption);
    SairdaAplicao1_->setObjectName("SairdaAplicao1");
    connect(SairdaAplicao1_, &QAction::triggered, this, [this] { form_.SairdaAplicao1Click(); });
    pmMenu_->addAction(QString());
    auto* forca = pmMenu_->addAction(QStringLiteral("Força Fechamento"));
    forca->setObjectName("ForaFechamento1");
    connect(forca, &QAction::triggered, this, [this] { form_.ForaFechamento1Click(); });

    connect(&form_, &TForm1::stateChanged, this, &MainWindow::refresh);
    connect(&form_, &TForm1::windowStateRequested, this, &MainWindow::applyWindowState);
    connect(&form_, &TForm1::closeRequested, this, [this] { hide(); });
    setWindowTitle(form_.Caption);
    refresh();
}

void MainWindow::refresh() {
    for (auto& p : pullers_) p();
    SairdaAplicao1_->setText(form_.SairdaAplicao1Caption);
    setWindowTitle(form_.Caption);
}

void MainWindow::applyWindowState() {
    applying_ = true;
    if (form_.Visible) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
        raise();
        activateWindow();
    } else {
        hide();
    }
    applying_ = false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A click on the title sends the shown summary document again.
    if (watched == title_ && event->type() == QEvent::MouseButtonRelease) {
        form_.guarded([this] { form_.Label3Click(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !applying_ && (windowState() & Qt::WindowMinimized)) {
        form_.ApplicationEvents1Minimize();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The frame has no close button; a close from elsewhere (the session ending) ends the program.
    form_.FormClose();
    event->accept();
    form_.requestTermination();
}

}  // namespace velorix
