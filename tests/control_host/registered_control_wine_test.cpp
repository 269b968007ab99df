// The control as users' machines have it: registered in the registry by its installer's
// regsvr32, for 32-bit programs, 64-bit ones or both, or registered wrongly, in a wine prefix of
// its own; the hosts as the release ships them, with no manifest.

#include "hosted_control.h"
#include "wine_test_support.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

using namespace WineTest;

constexpr char progId[] = "HearthwickScriptLibCtl.Hearthwick";
constexpr char classId[] = "{E7B40C93-2A18-4F6D-B5C7-3D9E1F0A8B64}";
constexpr char libraryId[] = "{5B1C2C57-8E0B-4F51-9B6E-2E1A7C0D4F11}";
// A class of no file of its own, which the control's class emulates.
constexpr char emulatedClassId[] = "{3F1E2D4C-5B6A-4978-8A9B-0C1D2E3F4A5B}";

QString controlDll(int bits, const QString &folder = {})
{
    return "Z:" + QDir::toNativeSeparators(testFolder(bits) + folder + "/kv27_test_control.dll");
}

// The control as an installer that left out the runtime it needs would leave it.
QString controlWithoutItsRuntime(int bits)
{
    return controlDll(bits, "/without-runtime");
}

// A folder as deep as an installer may make one, which takes the control's path past the
// system's usual limit of 260 characters.
const QString deepFolder = "/deep/" + QString(150, u'x') + "/" + QString(150, u'y');

// The control, with the runtime it needs, copied into the deep folder.
QString deepControlDll(int bits)
{
    const QString folder = testFolder(bits) + deepFolder;
    QDir().mkpath(folder);
    for (const char *file : {"/kv27_test_control.dll", "/kv27_runtime.dll"}) {
        QFile::remove(folder + file);
        QFile::copy(testFolder(bits) + file, folder + file);
    }
    return controlDll(bits, deepFolder);
}

bool runs(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

// reg.exe in the registry view of that bitness.
bool reg(int view, const QStringList &arguments)
{
    return runs(KV27_WINE64,
                QStringList{"reg"} + arguments + QStringList{QString("/reg:%1").arg(view)});
}

void addKey(int view, const QString &key, const QString &value)
{
    ASSERT_TRUE(reg(view, {"add", key, "/ve", "/d", value, "/f"})) << key.toStdString();
}

void registerWithRegsvr32(int bits)
{
    const QString regsvr32 =
        bits == 64 ? "C:\\windows\\system32\\regsvr32.exe" : "C:\\windows\\syswow64\\regsvr32.exe";
    ASSERT_TRUE(runs(KV27_WINE, {regsvr32, "/s", controlDll(bits)})) << bits;
}

// A class registered by hand, in both views, with its programmatic identifier.
void registerByHand(const char *server, const std::function<QString(int view)> &file)
{
    for (const int view : {64, 32}) {
        addKey(view, QString("HKCR\\%1\\CLSID").arg(progId), classId);
        addKey(view, QString("HKCR\\CLSID\\%1\\%2").arg(classId, server), file(view));
    }
}

// The programmatic identifier names a class that the control's class emulates, as a newer
// version of a control takes an older one's place.
void emulate()
{
    for (const int view : {64, 32}) {
        addKey(view, QString("HKCR\\%1\\CLSID").arg(progId), emulatedClassId);
        addKey(view, QString("HKCR\\CLSID\\%1\\TreatAs").arg(emulatedClassId), classId);
    }
}

struct Registration {
    const char *name;
    std::function<void()> make;
    bool needs32BitCode;
    // What each host says, the 32-bit one the same unless given; empty where it creates the
    // control.
    QString from64BitHost;
    std::optional<QString> from32BitHost = {};
};

const QString name = QString("The control \"%1\"").arg(progId);
const QString missingDll = "C:\\kv27\\missing.dll";

QString missing(const QString &file)
{
    return name + " is registered with the file \"" + file + "\", which is missing.";
}

// What the host of that bitness says of the control of the other one, in the folder.
QString ofTheOtherBitness(int bits, const QString &folder = {})
{
    const int other = 96 - bits;
    return name + QString(" is registered for %1-bit programs with the file \"").arg(bits) +
           controlDll(other, folder) +
           QString("\", which is a %1-bit DLL that %2-bit programs cannot load.")
               .arg(other)
               .arg(bits);
}

void registerInProcess(const QString &file)
{
    registerByHand("InprocServer32", [file](int) { return file; });
}

const Registration registrations[] = {
    {"nowhere", [] {}, false, name + " is not installed: nothing on this computer registered it."},
    {"for64BitProgramsOnly", [] { registerWithRegsvr32(64); }, false, "",
     name + " is installed for 64-bit programs only, which the 32-bit host cannot load."},
    {"for32BitProgramsOnly", [] { registerWithRegsvr32(32); }, true,
     name + " is installed for 32-bit programs only, which the 64-bit host cannot load.", ""},
    {"forBoth", [] { registerWithRegsvr32(64), registerWithRegsvr32(32); }, true, ""},
    {"missingFile", [] { registerInProcess(missingDll); }, false, missing(missingDll)},
    {"otherBitnessFile",
     [] { registerByHand("InprocServer32", [](int view) { return controlDll(96 - view); }); },
     false, ofTheOtherBitness(64), ofTheOtherBitness(32)},
    {"withoutItsRuntime", [] { registerByHand("InprocServer32", controlWithoutItsRuntime); }, false,
     name + " could not be created from the file \"" + controlWithoutItsRuntime(64) +
         "\": it needs the DLL \"kv27_runtime.dll\", which is missing.",
     name + " could not be created from the file \"" + controlWithoutItsRuntime(32) +
         "\": it needs the DLL \"kv27_runtime.dll\", which is missing."},
    // Read whole and opened: the file is there, and of the other bitness.
    {"longPath",
     [] { registerByHand("InprocServer32", [](int view) { return deepControlDll(96 - view); }); },
     false, ofTheOtherBitness(64, deepFolder), ofTheOtherBitness(32, deepFolder)},
    {"emulatedByAMissingFile", [] { registerInProcess(missingDll), emulate(); }, false,
     missing(missingDll)},
    {"outOfProcessOnly",
     [] { registerByHand("LocalServer32", [](int) { return "C:\\windows\\notepad.exe"; }); }, false,
     name + " is registered only as a program of its own (an out-of-process server), and the "
            "host loads only controls that run inside it."},
};

// As if nothing had ever registered the control.
void unregisterEverything()
{
    for (const int view : {64, 32})
        for (const QString &key :
             {QString("HKCR\\%1").arg(progId), QString("HKCR\\CLSID\\%1").arg(classId),
              QString("HKCR\\CLSID\\%1").arg(emulatedClassId),
              QString("HKCR\\TypeLib\\%1").arg(libraryId)})
            reg(view, {"delete", key, "/f"});
}

bool kernelRuns32BitCode()
{
    return QProcess::execute(KV27_SOURCE_DIR "/scripts/runs-32-bit-code", {}) == 0;
}

class RegisteredControl : public BothBitnesses {
protected:
    void SetUp() override
    {
        BothBitnesses::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        usePrefix(KV27_REGISTRY_WINE_PREFIX);
        runs32BitCode = kernelRuns32BitCode();
    }

    bool runs32BitCode = false;
};

// Each failure reads as a user can act on it, once, with nothing left to fill in.
void expectReadable(const QString &failure)
{
    EXPECT_FALSE(failure.contains("%1")) << failure.toStdString();
    EXPECT_FALSE(failure.contains("uccess")) << failure.toStdString();
    QStringList sentences = failure.split(". ");
    sentences.removeDuplicates();
    EXPECT_EQ(sentences.size(), failure.split(". ").size()) << failure.toStdString();
}

TEST_P(RegisteredControl, SaysWhyTheControlCannotBeCreated)
{
    for (const Registration &registration : registrations) {
        SCOPED_TRACE(registration.name);
        if (registration.needs32BitCode && !runs32BitCode)
            continue; // registering it takes the 32-bit regsvr32
        unregisterEverything();
        registration.make();
        const QString expected =
            bits() == 64 ? registration.from64BitHost
                         : registration.from32BitHost.value_or(registration.from64BitHost);
        auto control = hosted(hostAlone(bits()));
        QSignalSpy spy(control.get(), &InterfaceControl::actionEvent);
        const QString failure = control->sendCommand("bitness", "").value_or("");
        if (!expected.isEmpty()) {
            EXPECT_TRUE(failure.startsWith(expected)) << failure.toStdString();
            expectReadable(failure);
            continue;
        }
        EXPECT_EQ(failure, "");
        EXPECT_TRUE(spy.wait(10000));
        EXPECT_EQ(actions(spy).value(0), texts({"bitness", QString::number(bits())}));
    }
}

// Registered, the control is found as containers find it: its miscellaneous status in the
// registry where it says so, its events through its registered type library where it describes
// them nowhere else, in the newest version registered for its bitness; and so where another
// class it emulates is what its programmatic identifier names.
TEST_P(RegisteredControl, IsStartedFromWhatTheRegistrySays)
{
    const auto newerLibraryForTheOtherBitness = [this] {
        for (const int view : {64, 32})
            addKey(view,
                   QString("HKCR\\TypeLib\\%1\\9.0\\0\\win%2").arg(libraryId).arg(96 - bits()),
                   "C:\\kv27\\nowhere.tlb");
    };
    const struct {
        const char *registration;
        std::function<void()> make;
        const char *variants;
    } cases[] = {
        {"plain", [] {}, "useReg"},
        {"plain", [] {}, "hidden,noTypeInfo,eventsLast"},
        {"emulated", emulate, "useReg"},
        {"emulated", emulate, "hidden,noTypeInfo,eventsLast"},
        {"newerLibrary", newerLibraryForTheOtherBitness, "hidden,noTypeInfo,eventsLast"},
    };
    for (const auto &[registration, make, variants] : cases) {
        SCOPED_TRACE(std::string(registration) + " " + variants);
        unregisterEverything();
        registerWithRegsvr32(bits());
        make();
        const auto variant = testControlVariant(variants);
        auto control = hosted(hostAlone(bits()));
        QSignalSpy spy(control.get(), &InterfaceControl::actionEvent);
        EXPECT_EQ(control->sendCommand("sendplc", "A1 on"), std::nullopt);
        EXPECT_TRUE(spy.wait(10000));
        EXPECT_EQ(actions(spy).value(0), echo("sendplc", "A1 on"));
    }
}

// On most users' machines the control is there for 32-bit programs only: the program tries the
// 64-bit host, then the 32-bit one, says nothing of the first's failure, and the command reaches
// the control. Registered for both, the 64-bit host wins. The program tries both hosts, so the
// case is one for both bitnesses.
TEST(RegisteredControl, TheProgramFindsTheHostThatCanCreateIt)
{
    if (!kernelRuns32BitCode())
        GTEST_SKIP() << "registering the control for 32-bit programs takes 32-bit code";
    usePrefix(KV27_REGISTRY_WINE_PREFIX);
    for (const bool both : {false, true}) {
        SCOPED_TRACE(both ? "for both" : "for 32-bit programs only");
        unregisterEverything();
        if (both)
            registerWithRegsvr32(64);
        registerWithRegsvr32(32);
        HostedControl control({{KV27_WINE, hostAlone(64)}, {KV27_WINE, hostAlone(32)}}, underWine,
                              0ms);
        QSignalSpy problems(&control, &InterfaceControl::problem);
        QSignalSpy spy(&control, &InterfaceControl::actionEvent);
        control.choose();
        EXPECT_EQ(control.sendCommand("bitness", ""), std::nullopt);
        EXPECT_TRUE(spy.wait(10000));
        EXPECT_EQ(actions(spy).value(0), texts({"bitness", both ? "64" : "32"}));
        EXPECT_EQ(problems.size(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Bits, RegisteredControl, testing::Values(64, 32), bitsName);

} // namespace
