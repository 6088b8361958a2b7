// Creation of Form1's controls at their design places, in twips, and
// their tab order.

#include "assets/artwork.h"
#include "input_marks/number_mark.h"
#include "tally_window/click_label.h"
#include "tally_window/form1.h"
#include "tally_window/picture_button.h"
#include "tally_window/tally_field.h"
#include "tally_window/twips.h"

namespace {

const QColor fieldPeach(255, 224, 192);
const QColor rowOrange(255, 192, 128);
const QColor totalPink(255, 128, 128);
const QColor linkPink(255, 128, 128);

constexpr int fieldHeight = 315;
constexpr int rowTop = 2325;
constexpr int rowPitch = 300;
constexpr int totalsTop = 6525;
constexpr int summaryTop = 7185;

struct Column {
    int left;
    int width;
};
// Diameter, count and volume columns of blocks 0 to 3.
constexpr Column gridColumns[4][3] = {
    { { 450, 540 }, { 900, 615 }, { 1500, 915 } },
    { { 2475, 540 }, { 3000, 615 }, { 3600, 915 } },
    { { 4575, 540 }, { 5025, 615 }, { 5625, 915 } },
    { { 6600, 540 }, { 7125, 615 }, { 7725, 915 } },
};

QString elementName(const QString& array, int index)
{
    return QStringLiteral("%1(%2)").arg(array).arg(index);
}

void setBackground(QWidget* field, const QColor& colour)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, colour);
    field->setPalette(palette);
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void setPointSize(QWidget* widget, qreal points)
{
    QFont font = widget->font();
    font.setPointSizeF(points);
    widget->setFont(font);
}

TallyField* makeField(QWidget* parent, const QString& name, const QRect& place)
{
    auto* field = new TallyField(parent);
    field->setObjectName(name);
    field->setGeometry(place);
    setBackground(field, fieldPeach);
    return field;
}

ClickLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top)
{
    auto* label = new ClickLabel(text, parent);
    label->setObjectName(name);
    label->adjustSize();
    label->move(twipsToPixels(left), twipsToPixels(top));
    return label;
}

// A heading centred over a column of fields.
ClickLabel* makeHeading(
    QWidget* parent, const QString& name, const QString& text, const Column& column, int top)
{
    auto* label = makeLabel(parent, name, text, column.left, top);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    label->setGeometry(twipsToPixels(column.left), twipsToPixels(top), twipsToPixels(column.width),
        label->height());
    return label;
}

ClickLabel* makeLink(
    QWidget* parent, const QString& name, const QString& text, const QRect& place, qreal points)
{
    auto* label = new ClickLabel(text, parent);
    label->setObjectName(name);
    setPointSize(label, points);
    setTextColour(label, linkPink);
    label->setCursor(Qt::PointingHandCursor);
    label->setWordWrap(true);
    label->setGeometry(place);
    if (place.width() == 0)
        label->adjustSize();
    return label;
}

QComboBox* makeCombo(QWidget* parent, const QString& name, const QString& initial,
    const QStringList& items, const QRect& place)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    // Enter advances to the next field; it must not add the text to the list.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    combo->setEditText(initial);
    combo->setGeometry(place);
    // Small enough that a four-character caption shows beside the arrow.
    setPointSize(combo, 9);
    setBackground(combo, fieldPeach);
    return combo;
}

PictureButton* makeButton(
    QWidget* parent, const QString& name, const QString& words, const QRect& place)
{
    auto* button = new PictureButton(buttonPicture(words, place.size(), false),
        buttonPicture(words, place.size(), true), parent);
    button->setObjectName(name);
    button->setGeometry(place);
    button->setToolTip(words);
    return button;
}

QString diameterText(int row)
{
    return QString::number(2 * row + 2);
}

} // namespace

void Form1::createGrid()
{
    for (int row = 1; row <= TallyFields::rowCount; ++row) {
        const QString array = QStringLiteral("Text%1").arg(row);
        const int top = rowTop + rowPitch * (row - 1);
        for (int block = 0; block < TallyFields::blockCount; ++block) {
            for (int column = 0; column < 3; ++column) {
                const int element = 3 * block + column;
                const Column& place = gridColumns[block][column];
                auto* field = makeField(this, elementName(array, element),
                    twipsRect(place.left, top, place.width, fieldHeight));
                field->setSelectsOnFocus(true);
                if (row == 4 || row == 9)
                    setBackground(field, rowOrange);
                if (row == 5 || row == 10)
                    setTextColour(field, Qt::red);
                if (column == 0)
                    field->setText(diameterText(row));
                // Counts are marked with their block's length, once it is there.
                if (column == 0)
                    markTypedNumbers(field, TypedNumber::Number);
                m_fields.grid[row - 1][element] = field;
            }
        }
    }

    for (int block = 0; block < TallyFields::blockCount; ++block) {
        const int top = 2040;
        makeHeading(this, elementName(QStringLiteral("Label2"), block), QStringLiteral("径级"),
            gridColumns[block][0], top);
        makeHeading(this, elementName(QStringLiteral("Label3"), block), QStringLiteral("件数"),
            gridColumns[block][1], top);
        makeHeading(this, elementName(QStringLiteral("Label4"), block), QStringLiteral("材  积"),
            gridColumns[block][2], top);
    }
}

void Form1::createLengthFields()
{
    const char* names[4] = { "Text23", "Text15", "Text26", "Text21" };
    const int lefts[4] = { 1515, 3465, 5265, 7365 };
    const QString initial[4] = { QStringLiteral("4"), QString(), QStringLiteral("5"), QString() };
    // The keys that reach a length, and the way from it down to its counts.
    const QString lengthToolTips[4] = {
        QStringLiteral("第 1 个材长（Ctrl+1）：按 ↓ 到这一列的第一个件数"),
        QStringLiteral("第 2 个材长（Ctrl+2）：按 ↓ 到这一列的第一个件数"),
        QStringLiteral("第 3 个材长（Ctrl+3；增加径级规格后 Ctrl+2）：按 ↓ 到这一列的第一个件数"),
        QStringLiteral("第 4 个材长（Ctrl+4）：按 ↓ 到这一列的第一个件数"),
    };
    for (int block = 0; block < TallyFields::blockCount; ++block) {
        auto* field = makeField(this, QString::fromLatin1(names[block]),
            twipsRect(lefts[block], 1635, 720, fieldHeight));
        setPointSize(field, 12);
        field->setSelectsOnFocus(true);
        field->setText(initial[block]);
        field->setToolTip(lengthToolTips[block]);
        markTypedLength(field);
        m_fields.lengths[block] = field;
        for (int row = 1; row <= TallyFields::rowCount; ++row)
            markTypedCount(m_fields.cell(row, 3 * block + 1), field);
    }

    // The heading "材长" stands just left of each length field.
    const QString heading = QStringLiteral("材长");
    auto headingLeft = [&](int block) { return lefts[block] - 480; };
    makeLabel(this, QStringLiteral("Label9"), heading, headingLeft(0), 1695);
    m_fields.label10Element0
        = makeLabel(this, elementName(QStringLiteral("Label10"), 0), heading, headingLeft(1), 1695);
    makeLabel(this, elementName(QStringLiteral("Label10"), 2), heading, headingLeft(2), 1695);
    m_fields.label6 = makeLabel(this, QStringLiteral("Label6"), heading, headingLeft(3), 1695);
}

void Form1::createTotals()
{
    const int pieceLefts[4] = { 450, 2475, 4575, 6600 };
    const int pieceWidths[4] = { 1065, 1140, 1065, 1140 };
    const int volumeLefts[4] = { 1500, 3600, 5625, 7725 };
    // Elements 4 and 5 lie on 1 and 3; 6 and 7 are never shown.
    const int blockOf[8] = { 0, 1, 2, 3, 1, 3, 0, 2 };
    for (int element = 0; element < 8; ++element) {
        const int block = blockOf[element];
        auto* pieces = makeField(this, elementName(QStringLiteral("Text29"), element),
            twipsRect(pieceLefts[block], totalsTop, pieceWidths[block], fieldHeight));
        auto* volume = makeField(this, elementName(QStringLiteral("Text30"), element),
            twipsRect(volumeLefts[block], totalsTop, 915, fieldHeight));
        for (TallyField* total : { pieces, volume }) {
            setBackground(total, totalPink);
            total->setVisible(element < 4);
        }
        m_fields.text29.append(pieces);
        m_fields.text30.append(volume);
    }
}

void Form1::createPriceSummary()
{
    struct SummaryColumn {
        const char* array;
        const char* heading;
        const char* headingText;
        Column place;
        int elements;
        QVector<TallyField*>* fields;
    };
    const SummaryColumn columns[4] = {
        { "Text16", "Label14", "件  数", { 3135, 975 }, 4, &m_fields.text16 },
        { "Text18", "Label15", "材   积", { 4260, 1200 }, 4, &m_fields.text18 },
        { "Text19", "Label16", "单   价", { 5610, 1200 }, 3, &m_fields.text19 },
        { "Text28", "Label17", "金   额", { 6960, 1200 }, 4, &m_fields.text28 },
    };
    for (const SummaryColumn& column : columns) {
        makeHeading(this, QString::fromLatin1(column.heading),
            QString::fromUtf8(column.headingText), column.place, 6960);
        for (int group = 0; group < column.elements; ++group) {
            auto* field = makeField(this, elementName(QString::fromLatin1(column.array), group),
                twipsRect(column.place.left, summaryTop + rowPitch * group, column.place.width,
                    fieldHeight));
            if (group == 3)
                setBackground(field, totalPink);
            column.fields->append(field);
        }
    }

    // A little left of their design place, so that the longest row label
    // ends before the first summary column.
    const int rowLabelLeft = 1650;
    makeLabel(this, QStringLiteral("Label21"), QStringLiteral("径级分组"), rowLabelLeft, 6960);
    const char* rowNames[4] = { "Label7", "Label12", "Label13", "Label11" };
    const char* rowTexts[4] = { "直径12CM以下：", "直径14-18CM：", "直径20CM以上：", "合   计：" };
    for (int group = 0; group < 4; ++group)
        makeLabel(this, QString::fromLatin1(rowNames[group]), QString::fromUtf8(rowTexts[group]),
            rowLabelLeft, summaryTop + rowPitch * group + 45);
}

void Form1::createBillFields()
{
    m_fields.combo4 = makeCombo(this, QStringLiteral("Combo4"), QStringLiteral("购货单位"),
        { QStringLiteral("购货单位:"), QStringLiteral("公司名称:") },
        twipsRect(600, 1155, 1095, fieldHeight));
    m_fields.text17
        = makeField(this, QStringLiteral("Text17"), twipsRect(1800, 1155, 3405, fieldHeight));
    m_fields.combo2 = makeCombo(this, QStringLiteral("Combo2"), QStringLiteral("车号"),
        { QStringLiteral("车号;"), QStringLiteral("联系人:"), QStringLiteral("联系电话:"),
            QStringLiteral("银行账号:") },
        twipsRect(5475, 1125, 1035, fieldHeight));
    m_fields.text22
        = makeField(this, QStringLiteral("Text22"), twipsRect(6600, 1155, 2925, fieldHeight));

    m_fields.combo5 = makeCombo(this, QStringLiteral("Combo5"), QStringLiteral("供货单位"),
        { QStringLiteral("供货单位;"), QStringLiteral("银行账号;"), QStringLiteral("公司名称;"),
            QStringLiteral("地点;") },
        twipsRect(675, 8535, 1095, fieldHeight));
    m_fields.text20
        = makeField(this, QStringLiteral("Text20"), twipsRect(1860, 8535, 3780, fieldHeight));
    m_fields.combo1 = makeCombo(this, QStringLiteral("Combo1"), QStringLiteral("联系人"),
        { QStringLiteral("联系人;"), QStringLiteral("电话;"), QStringLiteral("银行账号;"),
            QStringLiteral("地址;") },
        twipsRect(5790, 8565, 1065, fieldHeight));
    m_fields.text24
        = makeField(this, QStringLiteral("Text24"), twipsRect(6990, 8535, 2040, fieldHeight));
}

void Form1::createRightColumn()
{
    // One line between Text21 and the window's edge: at 9 point it wrapped
    // over block 3's heading and into the right-hand panel.
    auto* units = makeLabel(this, QStringLiteral("Label8"),
        QStringLiteral("单位：米、厘米、元           立方米"), 8220, 1695);
    setPointSize(units, 7);
    units->adjustSize();
    units->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_labels.calculatorLink = makeLink(this, QStringLiteral("Label23"), QStringLiteral("计算器"),
        QRect(twipsToPixels(9000), twipsToPixels(2250), 0, 0), 10.5);

    // Under the buttons, clear of every control: the loads of the past.
    m_labels.historyLink = makeLink(this, QStringLiteral("Label24"), QStringLiteral("历史"),
        QRect(twipsToPixels(9280), twipsToPixels(7400), 0, 0), 10.5);
    m_labels.historyLink->setToolTip(QStringLiteral("历史记录（Ctrl+H）"));
    // Shown only while loads wait for the yard's server; below the frames.
    m_labels.waiting = makeLabel(this, QStringLiteral("Label25"), QString(), 7000, 9000);
    setPointSize(m_labels.waiting, 9);
    setTextColour(m_labels.waiting, QColor(192, 0, 0));
    m_labels.waiting->hide();
    // At the foot, left: said until the sheet goes into the books or is cleared.
    m_labels.restored = makeLabel(
        this, QStringLiteral("Label26"), QStringLiteral("上次退出时的检尺单已恢复"), 675, 9000);
    setPointSize(m_labels.restored, 9);
    setTextColour(m_labels.restored, QColor(192, 0, 0));
    m_labels.restored->adjustSize();
    m_labels.restored->hide();

    makeLabel(this, QStringLiteral("Label18"), QStringLiteral("树   种"), 9090, 2685);
    m_fields.combo3 = makeCombo(
        this, QStringLiteral("Combo3"), QString(), {}, twipsRect(8850, 3000, 1065, fieldHeight));
    makeLabel(this, QStringLiteral("Label1"), QStringLiteral("检 尺 员"), 8850, 3405);
    m_fields.text25
        = makeField(this, QStringLiteral("Text25"), twipsRect(8865, 3645, 1170, fieldHeight));
    m_fields.texts.append({ m_fields.text25, &Tally::scaler });
}

void Form1::createLayoutLinks()
{
    const QRect place = twipsRect(765, 7485, 840, 615);
    m_fields.label19
        = makeLink(this, QStringLiteral("Label19"), QStringLiteral("增加径级规格"), place, 12);
    m_fields.label19->setToolTip(QStringLiteral("请先输入材长再点此键"));
    m_fields.label20
        = makeLink(this, QStringLiteral("Label20"), QStringLiteral("增加材长规格"), place, 12);
    m_fields.label20->hide();

    m_labels.unitPriceLink = makeLink(this, QStringLiteral("Label5"), QStringLiteral("单价设置"),
        QRect(twipsToPixels(5700), twipsToPixels(8175), 0, 0), 12);
}

void Form1::createButtons()
{
    constexpr int height = 500;
    m_buttons.stockIn = makeButton(this, QStringLiteral("Command5"), QStringLiteral("入庫"),
        twipsRect(8880, 4080, 615, height));
    m_buttons.stockOut = makeButton(this, QStringLiteral("Command7"), QStringLiteral("出庫"),
        twipsRect(9480, 4080, 615, height));
    m_buttons.clear = makeButton(this, QStringLiteral("Command4"), QStringLiteral("清除数据"),
        twipsRect(8880, 4620, 1215, height));
    m_buttons.printBill = makeButton(this, QStringLiteral("Command3"), QStringLiteral("打印账单"),
        twipsRect(8880, 5160, 1215, height));
    m_buttons.viewStock = makeButton(this, QStringLiteral("Command8"), QStringLiteral("查看库存"),
        twipsRect(8880, 5700, 1215, height));
    m_buttons.minimise = makeButton(this, QStringLiteral("Command2"), QStringLiteral("最小化"),
        twipsRect(8880, 6240, 1215, height));
    m_buttons.exit = makeButton(this, QStringLiteral("Command6"), QStringLiteral("退出"),
        twipsRect(8880, 6780, 1215, height));
}

void Form1::setTabOrder()
{
    QList<QWidget*> order;
    auto column = [&](int block, int j, int fromRow) {
        for (int row = fromRow; row <= TallyFields::rowCount; ++row)
            order.append(m_fields.cell(row, 3 * block + j));
    };
    // The scaler's road: length, every count column, then the diameters.
    order.append(m_fields.lengths[0]);
    for (int block = 0; block < TallyFields::blockCount; ++block)
        column(block, 1, 1);
    column(0, 0, 1);
    order.append(m_fields.cell(1, 3));
    order.append(m_fields.lengths[1]);
    column(1, 0, 2);

    order.append(m_fields.lengths[2]);
    order.append(m_fields.lengths[3]);
    column(2, 0, 1);
    column(3, 0, 1);
    // The rest of what the scaler types: the header, species and scaler, the
    // footer. Only then what the tick writes, the buttons, and last the
    // captions, which are chosen rarely: a value typed on Enter's way must
    // never replace one.
    order << m_fields.text17 << m_fields.text22 << m_fields.combo3 << m_fields.text25
          << m_fields.text20 << m_fields.text24;
    for (int block = 0; block < TallyFields::blockCount; ++block)
        column(block, 2, 1);
    for (const auto* array : { &m_fields.text29, &m_fields.text30, &m_fields.text16,
             &m_fields.text18, &m_fields.text19, &m_fields.text28 })
        for (TallyField* field : *array)
            order.append(field);
    order << m_buttons.stockIn << m_buttons.stockOut << m_buttons.clear << m_buttons.printBill
          << m_buttons.viewStock << m_buttons.minimise << m_buttons.exit;
    order << m_fields.combo4 << m_fields.combo2 << m_fields.combo5 << m_fields.combo1;

    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
