#include "gui/tools/Filternetwork.h"

#include "gui/services/Guarded.h"
#include "gui/tools/NetworkPicture.h"
#include "gui/widgets/Named.h"
#include "gui/widgets/NumberEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using kaldorium::FilterNetwork;

namespace {

// Prefix of each stage's controls and the caption (and name) of its group, by stage index.
struct StageName {
    const char *prefix;
    const char *caption;
};
constexpr StageName StageNames[FilterNetwork::StageCount] = {{"InputFilter", "InputFilter"},
                                                             {"FA1", "FilterA1"},
                                                             {"FB1", "FilterB1"},
                                                             {"FC1", "FilterC1"},
                                                             {"FA2", "FilterA2"},
                                                             {"FB2", "FilterB2"},
                                                             {"FC2", "FilterC2"},
                                                             {"FA3", "FilterA3"},
                                                             {"FB3", "FilterB3"},
                                                             {"FC3", "FilterC3"},
                                                             {"FA4", "FilterA4"},
                                                             {"FB4", "FilterB4"},
                                                             {"FC4", "FilterC4"},
                                                             {"OutputFilter", "OutputFilter"}};

constexpr const char *KindItems[] = {"BandPass",       "BandReject", "HighPass",
                                     "LowPass",        "HighPass2",  "LowPass2",
                                     "Differentiator", "Integrator", "All Pass"};

// Layout of the 1007 × 512 client area: input, the columns A, B, C of the four rows, output.
constexpr int GroupWidth = 158;
constexpr int GroupHeight = 118;
constexpr int RowTop[4] = {6, 132, 258, 384};
constexpr int InputLeft = 6;
constexpr int ColumnLeft[3] = {198, 384, 570};
constexpr int OutputLeft = 810;

QRect StagePlace(int stage) {
    const int middle = (RowTop[1] + RowTop[2] + GroupHeight) / 2 - GroupHeight / 2;
    if (stage == FilterNetwork::InputStage) {
        return QRect(InputLeft, middle, GroupWidth, GroupHeight);
    }
    if (stage == FilterNetwork::OutputStage) {
        return QRect(OutputLeft, middle, GroupWidth, GroupHeight);
    }
    const int branch = (stage + 2) / 3;
    const int column = stage - FilterNetwork::StageIndex(branch, 0);
    return QRect(ColumnLeft[column], RowTop[branch - 1], GroupWidth, GroupHeight);
}

} // namespace

TFilterNetworkForm::TFilterNetworkForm(UiServices &services_, FilterNetwork &network_,
                                       QWidget *parent)
    : QDialog(parent), services(services_), network(network_) {
    setWindowTitle(QStringLiteral("(KALDOR) Filter Network Specification"));
    setFixedSize(1007, 512);
    CreateControls();
    // The controls show their defaults; only what the user changes from here on counts.
    ConnectHandlers();
}

TFilterNetworkForm::~TFilterNetworkForm() {
    for (QObject *child : findChildren<QObject *>()) {
        child->disconnect(this);
    }
}

void TFilterNetworkForm::CreateControls() {
    picture = named<NetworkPicture>(this, "NetworkPicture");
    picture->setGeometry(0, 0, 1007, 512);
    std::array<QRect, FilterNetwork::StageCount> places;

    for (int i = 0; i < FilterNetwork::StageCount; ++i) {
        const StageName &name = StageNames[i];
        const QByteArray prefix(name.prefix);
        StageControls &s = stages[static_cast<std::size_t>(i)];
        s.group = named<QGroupBox>(this, name.caption);
        s.group->setTitle(QString::fromLatin1(name.caption));
        places[static_cast<std::size_t>(i)] = StagePlace(i);
        s.group->setGeometry(StagePlace(i));

        const auto field = [&](const char *suffix, const char *caption, const char *text, int y) {
            auto *label = new QLabel(QString::fromLatin1(caption), s.group);
            label->setGeometry(6, y + 2, 80, 17);
            NumberEdit *edit = named<NumberEdit>(s.group, (prefix + suffix).constData());
            edit->setText(QString::fromLatin1(text));
            edit->SetKeyFilter(true);
            edit->setGeometry(88, y, 64, 21);
            return edit;
        };
        s.F = field("_F", "Frequency", "1000", 18);
        s.Q = field("_Q", "Qfactor", "1", 42);
        s.A0 = field("_A0", "Amplification", "1", 66);
        s.Use = named<QCheckBox>(s.group, (prefix + "_Use").constData());
        s.Use->setText(QStringLiteral("Use"));
        s.Use->setGeometry(6, 92, 48, 21);
        // A pick-only list: no kind outside the nine can be chosen.
        s.Type = named<QComboBox>(s.group, (prefix + "_Type").constData());
        for (const char *item : KindItems) {
            s.Type->addItem(QString::fromLatin1(item));
        }
        s.Type->setCurrentIndex(kaldorium::fkAllPass);
        s.Type->setGeometry(54, 91, 98, 23);
    }
    picture->SetStagePlaces(places);

    SetDesign = named<QPushButton>(this, "SetDesign");
    SetDesign->setText(QStringLiteral("Set Design"));
    SetDesign->setAutoDefault(false);
    const QRect out = StagePlace(FilterNetwork::OutputStage);
    SetDesign->setGeometry(out.left(), out.bottom() + 40, out.width(), 28);
}

void TFilterNetworkForm::ConnectHandlers() {
    const auto on = [this](auto *sender, auto signal, auto handler) {
        connect(sender, signal, this, guarded(this, services, handler));
    };
    for (StageControls &s : stages) {
        for (NumberEdit *edit : {s.F, s.Q, s.A0}) {
            on(edit, &QLineEdit::textChanged, [this] { InputFilter_FChange(); });
        }
        on(s.Type, &QComboBox::currentIndexChanged, [this] { InputFilter_FChange(); });
        on(s.Use, &QCheckBox::clicked, [this] { InputFilter_UseClick(); });
    }
    on(SetDesign, &QPushButton::clicked, [this] { SetDesignClick(); });
}

void TFilterNetworkForm::InputFilter_FChange() {
    network.modified = true;
}

void TFilterNetworkForm::InputFilter_UseClick() {
    network.modified = true;
}

void TFilterNetworkForm::FormClose() {
    if (!network.modified) {
        return;
    }
    kaldorium::StageTexts texts[FilterNetwork::StageCount];
    for (int i = 0; i < FilterNetwork::StageCount; ++i) {
        const StageControls &s = stages[static_cast<std::size_t>(i)];
        texts[i] = {s.Use->isChecked(), s.Type->currentIndex(), s.F->text().toStdString(),
                    s.Q->text().toStdString(), s.A0->text().toStdString()};
    }
    network.ApplyTexts(texts);
}

void TFilterNetworkForm::reject() {
    bool applied = false;
    guarded(this, services, [this, &applied] {
        FormClose();
        applied = true;
    })();
    if (applied) {
        QDialog::reject();
    }
}

void TFilterNetworkForm::SetDesignClick() {
    close();
}
