// The spectrum through the real windows on the simulated board: a sine of known cycles per
// sweep shows its peak at that bin's frequency and its amplitude in the channel's units, and
// with the spectrum off a sweep computes none.
#include "app/Hardware.h"
#include "app/Startup.h"
#include "tests/gui/GuiTestHelpers.h"

#include <QLabel>
#include <QPushButton>

class SpectrumWindowTest : public QObject {
    Q_OBJECT

private slots:
    void peakAtTheSinesFrequencyAndAmplitude();

private:
    template <class T> T* Control(const char* name) const {
        return Find<T>(gui_->MainWindow(), name);
    }
    double Readout(const char* name) const {
        return Find<QLabel>(gui_->ui->Window(FormId::frmFFT), name)->text().toDouble();
    }

    std::unique_ptr<GuiFixture> gui_ = std::make_unique<GuiFixture>();
};

void SpectrumWindowTest::peakAtTheSinesFrequencyAndAmplitude() {
    QVERIFY(gui_->StartSimulated("KXS306", 2048));

    Control<QAction>("mnuFFTon")->trigger();
    QWidget* spectrum = gui_->ui->Window(FormId::frmFFT);
    QVERIFY(spectrum != nullptr && spectrum->isVisible());
    Control<QPushButton>("cmdSingleSweep")->click();
    // The simulated rate: a quarter of full scale (512 codes of 0.0977 deg/s), four cycles a
    // sweep of 2048.
    const double fs = Readout("lblFs");
    QVERIFY(fs > 0);
    QVERIFY(qAbs(Readout("lblFftMaxFreq") - 4 * fs / 2048) <= 0.05 + 0.001 * fs);
    QVERIFY(qAbs(Readout("lblFftMax") - 50.0) < 0.5);

    Control<QAction>("mnuFFToff")->trigger();
    QVERIFY(!spectrum->isVisible());
    const float peak = App().FftPeakMag;
    App().FftPeakMag = -1;
    Control<QPushButton>("cmdSingleSweep")->click();
    QCOMPARE(App().FftPeakMag, -1.0f);
    QVERIFY(peak > 0);
    gui_.reset();
    RemoveHardware();
}

QTEST_MAIN(SpectrumWindowTest)
#include "tst_spectrum.moc"
