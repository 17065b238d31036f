// One QApplication for the whole test binary, on the offscreen platform unless the caller chose
// another, with the C locale so number texts do not depend on the machine.
#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

#include <memory>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        FApplication = std::make_unique<QApplication>(FArgc, FArgv);
        QLocale::setDefault(QLocale::c());
    }

    void TearDown() override { FApplication.reset(); }

private:
    int FArgc = 1;
    char FProgramName[16] = "tonesentry-test";
    char* FArgv[2] = {FProgramName, nullptr};
    std::unique_ptr<QApplication> FApplication;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
