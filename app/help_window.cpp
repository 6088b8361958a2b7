#include "app/help_window.h"

#include "support/window_keys.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The clerk's day, the keys and the links. Kept in one place so the manual
// page and this window are read side by side when either changes.
const char helpText[] = R"(
<h3>每天的工作</h3>
<ol>
<li>在检尺单上逐根录入：每一块先填<b>材长</b>（米），再在各径级的格子里填<b>根数</b>；
    程序随时算出材积和金额。</li>
<li>选好<b>树种</b>，填<b>单价</b>（或点“单价设置”按径级设好单价），填购货单位、车号、供货单位。</li>
<li><b>打印账单</b>：账单先显示在预览里，可以打印；每张账单按日期编号存进“账单”文件夹。</li>
<li><b>入庫</b>（收进的木材）或<b>出庫</b>（卖出的木材）：这车记入木材出入库台账，同时记进历史记录和往来账。
    第一次入库或出库前，程序提醒“每次入库前请先关闭木材出入库台账”——这句话对出库同样适用：
    台账在电子表格程序里开着时，不能记账。
    新的一年第一次入库或出库时，程序问是否把上一年的台账存进“台账存档”文件夹、把各树种的库存结转到新台账；
    台账记满时不再问，直接换新台账，并说明旧台账存在哪里。</li>
<li><b>清除数据</b>：清空检尺单，开始下一车；清错了，马上按 Ctrl+Z 可以恢复。</li>
<li><b>查看库存</b>：在电子表格程序中只读打开台账；有存档的台账时，先选看哪一本。</li>
</ol>
<h3>按键</h3>
<table cellspacing="4">
<tr><td><b>Enter</b></td><td>到下一个格子</td></tr>
<tr><td><b>↑ ↓</b></td><td>在一行径级格子里左右移动</td></tr>
<tr><td><b>Ctrl+1 … Ctrl+4</b></td><td>到第 1…4 块的材长（增加径级规格后只有前两个）</td></tr>
<tr><td><b>↓（在材长里）</b></td><td>到这一块第一个根数格子</td></tr>
<tr><td><b>Ctrl+Z</b></td><td>清除数据后，恢复刚清除的检尺单</td></tr>
<tr><td><b>Ctrl+H</b></td><td>历史记录</td></tr>
<tr><td><b>Ctrl+J</b></td><td>往来账</td></tr>
<tr><td><b>F1</b></td><td>本帮助</td></tr>
<tr><td><b>Esc</b>、<b>Ctrl+W</b></td><td>关闭当前窗口（历史、往来账、备份与恢复、预览、帮助等；检尺单本身用“退出”）</td></tr>
<tr><td><b>Ctrl++</b>、<b>Ctrl+-</b></td><td>在预览中放大、缩小</td></tr>
</table>
<h3>粉色的链接</h3>
<table cellspacing="4">
<tr><td><b>计算器</b></td><td>打开计算器，放在检尺单旁边</td></tr>
<tr><td><b>单价设置</b></td><td>按径级设单价，保存后用于以后的每一车</td></tr>
<tr><td><b>增加径级规格</b></td><td>换成更大径级的检尺单（请先输入材长再点）；<b>增加材长规格</b>换回来</td></tr>
<tr><td><b>历史</b></td><td>历史记录：按日期、树种、单位查找每一车，导出 Excel，打印报表，重新打印账单</td></tr>
<tr><td><b>已备份</b></td><td>备份与恢复：看备份、恢复备份、设第二备份位置</td></tr>
</table>
<h3>往来账（Ctrl+J）</h3>
<p>每个往来单位的期初余额、出库、收款、入库、付款和期末余额。余额为正：对方欠本场；为负：本场欠对方。
“记收付款…”记一笔收款或付款；记错了就“冲销”，原记录保留。同一单位的不同写法可以“合并往来单位”。
双击一个单位看明细，预览、打印或保存对账单。明细的“编号”：开过账单的车是账单号，
没开账单的车是这车的序号；收付款是“收款”“付款”或“冲销”加它的序号。</p>
<h3>备份</h3>
<p>每天第一次启动和每记 20 车，程序把台账、历史记录、单价和设置备份到数据文件夹的“备份”里。
<b>第二备份位置</b>：点检尺单下方的“已备份”，在“备份与恢复”里点“第二备份位置”旁的“选择…”，
选一个 U 盘或另一块硬盘上的文件夹；以后每次备份都再复制一份到那里。硬盘坏了，就从那里恢复。</p>
<h3>堆场服务器（几个检尺站共用历史记录）</h3>
<p>管理员按 README 中“The yard's shared history”一节建好服务器后，在“历史”窗口点“检尺站设置”，
填服务器、端口、数据库、用户、检尺站名称，选服务器证书，点“测试连接”，再“保存”。
密码由管理员写入本机，不在这里填。服务器留空时，历史记录只保存在本机。</p>
)";

} // namespace

bool desktopOpensFolders()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return false;
    // xdg-open starts whatever the desktop names for folders; without one
    // it opens nothing, or a browser.
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
        { QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("inode/directory") });
    return query.waitForFinished(3000) && query.exitCode() == 0
        && !query.readAllStandardOutput().trimmed().isEmpty();
}

HelpWindow::HelpWindow(HelpFacts facts, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_facts(std::move(facts))
{
    setObjectName(QStringLiteral("Help"));
    setWindowTitle(QStringLiteral("帮助"));
    if (!m_facts.openFolder)
        m_facts.openFolder = [](const QString& folder) {
            return desktopOpensFolders() && QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
        };
    auto* text = new QTextBrowser;
    text->setObjectName(QStringLiteral("HelpText"));
    text->setOpenLinks(false);
    text->setHtml(QString::fromUtf8(helpText));

    auto* about = new QLabel(QStringLiteral("原木检尺（Quorvane）  版本 %1  ·  设置文件：%2")
                                 .arg(m_facts.version, QDir::toNativeSeparators(m_facts.settings)));
    about->setObjectName(QStringLiteral("HelpAbout"));
    about->setTextInteractionFlags(Qt::TextSelectableByMouse);
    about->setWordWrap(true);
    auto* close = new QPushButton(QStringLiteral("关闭"));
    close->setObjectName(QStringLiteral("Close"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* foot = new QHBoxLayout;
    foot->addWidget(about, 1);
    foot->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text, 1);
    layout->addWidget(buildFolders());
    layout->addLayout(foot);
    addCloseKeys(this);
    QSize size(760, 720);
    if (const QScreen* shown = screen())
        size = size.boundedTo(shown->availableGeometry().size() - QSize(32, 80));
    resize(size);
}

QWidget* HelpWindow::buildFolders()
{
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("<b>文件在哪里</b>")), 0, 0, 1, 3);
    const struct {
        const char* name;
        QString what;
        QString folder;
    } places[] = {
        { "OpenWorkbooks", QStringLiteral("台账和账单模板"), m_facts.workbooks },
        { "OpenBills", QStringLiteral("每张账单（Excel 和 PDF）"), m_facts.bills },
        { "OpenBackups", QStringLiteral("备份"), m_facts.backups },
        { "OpenData", QStringLiteral("历史记录、检尺单草稿和日志"), m_facts.data },
    };
    int row = 1;
    for (const auto& place : places) {
        if (place.folder.isEmpty())
            continue;
        auto* path = new QLabel(QDir::toNativeSeparators(place.folder));
        path->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* open = new QPushButton(QStringLiteral("打开"));
        open->setObjectName(QLatin1String(place.name));
        open->setAutoDefault(false);
        const QString folder = place.folder;
        connect(open, &QPushButton::clicked, this, [this, folder] { this->open(folder); });
        grid->addWidget(new QLabel(place.what), row, 0);
        grid->addWidget(path, row, 1);
        grid->addWidget(open, row, 2);
        ++row;
    }
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("FolderStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(m_status, row, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    return box;
}

void HelpWindow::open(const QString& folder)
{
    QDir().mkpath(folder); // the backups' folder comes with the first backup
    const QString shown = QDir::toNativeSeparators(folder);
    if (m_facts.openFolder(folder)) {
        m_status->setText(QStringLiteral("已请文件管理器打开“%1”。").arg(shown));
        return;
    }
    // Nothing would appear: the path, to type into a file dialog.
    QApplication::clipboard()->setText(shown);
    m_status->setText(
        QStringLiteral("这台电脑没有能打开文件夹的文件管理器。文件夹在：%1（已复制，可以粘贴）")
            .arg(shown));
}

QString HelpWindow::folderStatus() const
{
    return m_status->text();
}
