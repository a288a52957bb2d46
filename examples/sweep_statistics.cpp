// One sweep of the simulated gyroscope's rate channel through the library, and the figures
// the statistics window shows for it.
#include <quelto/Session.h>

#include <cstdio>

int main() {
    quelto::Options options;
    options.interface = "parallel";
    options.model = "KXS306";
    options.simulate = true;
    options.seed = 1;
    quelto::Hooks hooks;
    hooks.note = [](const std::string& text) { std::fprintf(stderr, "note: %s\n", text.c_str()); };
    try {
        quelto::Session session(options, hooks);
        const quelto::Sweep sweep = session.sweep(4096, "rate");
        const quelto::Statistics& s = sweep.stats;
        std::printf("%s, %s\n", sweep.channel.device.c_str(), sweep.channel.title.c_str());
        std::printf("%d samples at %.1f Hz, %.1f C\n", s.samples, s.sample_rate_hz,
                    s.temperature_c);
        std::printf("min %.4f  max %.4f  pk-pk %.4f  mean %.4f  AC RMS %.4f %s\n", s.min, s.max,
                    s.pk_pk, s.mean, s.ac_rms, sweep.channel.units.c_str());
    } catch (const quelto::Error& error) {
        std::fprintf(stderr, "sweep_statistics: %s\n", error.what());
        return error.kind() == quelto::ErrorKind::Usage ? 2 : 1;
    }
    return 0;
}
