#include "gui/app/ProgramWindows.h"

#include "gui/app/HelpMenu.h"
#include "gui/services/Tooltips.h"
#include "gui/widgets/ProjectorView.h"

#include <QAction>
#include <QMenu>

namespace {

// A window made from the given arguments, which live as long as the program's windows.
template <class T, class... Args> typename DeferredWindow<T>::Build Made(Args &...args) {
    return [&args...] { return std::make_unique<T>(args...); };
}

// What every window is given once built: `wire`'s connections, then its tooltips.
template <class T> typename DeferredWindow<T>::Ready Wired(std::function<void(T &)> wire = {}) {
    return [wire = std::move(wire)](T &window) {
        if (wire) {
            wire(window);
        }
        ApplyTooltips(&window);
    };
}

// Shows a window on its own, in front.
void Present(QWidget &window) {
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

ProgramWindows::ProgramWindows(UiServices &services_)
    : services(services_), mainForm(services, noise, network, &quantised),
      graphForm(Made<TGraphForm>(services, design, network), Wired<TGraphForm>()),
      analogueForm(
          [this] { return std::make_unique<TAnalogueFiltersForm>(services, graphForm.Get()); },
          Wired<TAnalogueFiltersForm>()),
      digitalForm(Made<TDigitalFiltersForm>(services, design),
                  Wired<TDigitalFiltersForm>([this](auto &form) { WireDigitalForm(form); })),
      fileEditForm(Made<TFileEditForm>(services), Wired<TFileEditForm>()),
      networkForm(Made<TFilterNetworkForm>(services, network), Wired<TFilterNetworkForm>()),
      wavForm(
          [this] {
              return std::make_unique<TWAVMainForm>(services, player, noise, network, design,
                                                    editor, networkForm.Ref());
          },
          Wired<TWAVMainForm>([this](auto &form) { form.SetAudioStream(&audio); })),
      dftForm(Made<TDFTMainForm>(services, player, editor), Wired<TDFTMainForm>()),
      samplingForm(Made<TSamplingForm>(services, player),
                   Wired<TSamplingForm>([this](auto &form) { WireSamplingForm(form); })),
      poleZeroForm(Made<TPoleZeroForm>(services, design, network),
                   Wired<TPoleZeroForm>([this](auto &form) { WirePoleZeroForm(form); })),
      lessons(*this, services), help(services) {
    design.SetWorkbench(&mainForm);
    // A designed filter exists from the start, whether or not the designer is ever opened.
    design.FormActivate();
    mainForm.SetAudioStream(&audio);
    mainForm.SetToolWindows({graphForm.Ref(), analogueForm.Ref(), digitalForm.Ref(),
                             fileEditForm.Ref(), networkForm.Ref(), wavForm.Ref()});
    AddToolItems();
    AddViewItems();
    help.InstallHelpKey();
    AddHelpItems(mainForm.HelpMenu, help, &mainForm);
    ApplyTooltips(&mainForm);
    ApplyTooltips(&help);
}

QList<QWidget *> ProgramWindows::AllWindows() {
    QList<QWidget *> all{&mainForm,          &graphForm.Get(),    &analogueForm.Get(),
                         &digitalForm.Get(), &fileEditForm.Get(), &networkForm.Get(),
                         &wavForm.Get(),     &dftForm.Get(),      &samplingForm.Get(),
                         &poleZeroForm.Get()};
    // The lesson pane is a part of the main window.
    all.append(&help);
    return all;
}

void ProgramWindows::WireDigitalForm(TDigitalFiltersForm &form) {
    form.SetQuantisedSource(&quantised);
    form.SetPoleZeroForm(WindowRef<QWidget>(
        std::function<QWidget *()>([this]() -> QWidget * { return &poleZeroForm.Get(); })));
}

void ProgramWindows::WirePoleZeroForm(TPoleZeroForm &form) {
    form.SetQuantisedSource(&quantised);
    form.SetWorkbench([this] {
        const kaldorium::WorkbenchSettings &s = mainForm.Settings();
        PoleZeroWorkbench w;
        w.kind = mainForm.CurrentFilterKind();
        w.f0 = s.filterFrequency;
        w.q = s.qFactor;
        w.a0 = s.amplification;
        w.ts = s.samplingPeriod;
        w.oscillatorHz = s.frequency;
        w.name = s.filterName;
        return w;
    });
}

void ProgramWindows::WireSamplingForm(TSamplingForm &form) {
    form.circuitSource = [this](kaldorium::SamplingSettings &settings) {
        if (settings.antiAlias == kaldorium::AntiAliasKind::InvertingLowPass) {
            settings.invertingLowPass = analogueForm.Get().InvertingLowPassComponents();
        } else {
            settings.nonInvertingLowPass = analogueForm.Get().NonInvertingLowPassComponents();
        }
    };
    form.sendToWorkbench = [this](const QString &path, double frequency) {
        mainForm.UseDataFileWaveform(path, frequency);
    };
}

void ProgramWindows::AddToolItems() {
    QAction *lab = mainForm.ToolsMenu->addAction(QStringLiteral("Sampling Lab"), &mainForm,
                                                 [this] { Present(samplingForm.Get()); });
    lab->setObjectName(QStringLiteral("SamplingLabItem"));
    QAction *poleZero =
        mainForm.ToolsMenu->addAction(QStringLiteral("Poles and Zeros"), &mainForm, [this] {
            TPoleZeroForm &form = poleZeroForm.Get();
            // From the menu it stands on its own.
            if (form.parentWidget() != nullptr) {
                form.setParent(nullptr, form.windowFlags());
            }
            Present(form);
        });
    poleZero->setObjectName(QStringLiteral("PoleZeroItem"));
}

void ProgramWindows::AddViewItems() {
    QAction *projector = mainForm.ViewMenu->addAction(QStringLiteral("Projector View"));
    projector->setObjectName(QStringLiteral("ProjectorView"));
    projector->setCheckable(true);
    projector->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    QObject::connect(projector, &QAction::toggled, [](bool on) { projector::SetEnabled(on); });
}
