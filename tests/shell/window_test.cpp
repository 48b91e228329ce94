// The widget view mirrors the window model and forwards the user's input to it.
#include "FormHarness.h"

#include "shell/MainWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace velorix;
using velorix::testing::FormHarness;

namespace {

template <typename W>
W* child(QWidget& window, const char* name) {
    W* w = window.findChild<W*>(name);
    if (!w) ADD_FAILURE() << "no widget " << name;
    return w;
}

TEST(MainWindowView, MirrorsTheModelAndForwardsInput) {
    FormHarness t;
    TForm1& f = t.start();
    MainWindow window(f);
    window.show();

    // model -> view
    auto* contagem = child<QLabel>(window, "lbcontagem");
    auto* vendas = child<QCheckBox>(window, "chkVendasApp");
    auto* log = child<QPlainTextEdit>(window, "Memo_log");
    ASSERT_TRUE(contagem && vendas && log);
    EXPECT_EQ(contagem->text(), "....");
    EXPECT_EQ(vendas->text(), "Vendas APP");
    EXPECT_FALSE(vendas->isEnabled());
    EXPECT_EQ(window.windowTitle(), "Sincronizador - Velorix");
    f.chkVendasApp.Checked = true;
    f.lbcontagem.Caption = QStringLiteral("Próxima  em: 00:59");
    f.clearLog();
    f.log("primeira linha");
    f.log("segunda linha");
    EXPECT_TRUE(vendas->isChecked());
    EXPECT_EQ(contagem->text(), QStringLiteral("Próxima  em: 00:59"));
    EXPECT_EQ(log->toPlainText(), "primeira linha\nsegunda linha\n");

    // typing the code unlocks, one more character locks again
    auto* senha = child<QLineEdit>(window, "editSenha");
    ASSERT_TRUE(senha);
    EXPECT_EQ(senha->echoMode(), QLineEdit::Password);
    QTest::keyClicks(senha, "7304");
    EXPECT_EQ(f.editSenha.Text, "7304");
    EXPECT_TRUE(f.chkVendasApp.Enabled);
    EXPECT_TRUE(vendas->isEnabled());
    QTest::keyClicks(senha, "1");
    EXPECT_FALSE(vendas->isEnabled());
    QTest::keyClick(senha, Qt::Key_Backspace);
    ASSERT_TRUE(vendas->isEnabled());

    // view -> model
    vendas->click();
    EXPECT_FALSE(f.chkVendasApp.Checked);
    auto* minutos = child<QLineEdit>(window, "editMinutos");
    ASSERT_TRUE(minutos);
    minutos->clear();
    QTest::keyClicks(minutos, "12x34");  // digits only, three at most
    EXPECT_EQ(f.editMinutos.Text, "123");

    // "DESLIGAR" covers "LIGAR" once shown
    auto* ligar = child<QPushButton>(window, "btn_ligar");
    auto* desligar = child<QPushButton>(window, "btnDesligar");
    ASSERT_TRUE(ligar && desligar);
    EXPECT_FALSE(ligar->isHidden());
    EXPECT_TRUE(desligar->isHidden());
    ligar->click();
    EXPECT_EQ(t.appIni("ligado"), "S");
    EXPECT_TRUE(ligar->isHidden());
    EXPECT_FALSE(desligar->isHidden());

    // the tray menu: four items around one separator, the caption after the model
    const QList<QAction*> items = window.pmMenu()->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Restaurar Aplicação"));
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), QStringLiteral("Sair da Aplicação"));
    EXPECT_EQ(items[3]->text(), "");
    EXPECT_EQ(items[4]->text(), QStringLiteral("Força Fechamento"));
    items[0]->trigger();
    EXPECT_TRUE(f.Visible);
    EXPECT_EQ(items[2]->text(), "Minimizar para a bandeja");
}

}  // namespace
