// The frame's own logic, apart from any window, for the Qt frame and the scripted
// Ui alike: the progress meter on the progress status line, where that meter sits,
// and the frame's timer reaction.
#pragma once

namespace vantor {

// A progress control: range, position and step. Stepping past the top of the
// range starts again from the bottom, as the common control does.
class ProgressMeter {
public:
    void SetRange(int lo, int hi) {
        m_lo = lo;
        m_hi = hi;
    }
    void SetPos(int pos) { m_pos = pos; }
    void SetStep(int step) { m_step = step; }
    void Step() {
        m_pos += m_step;
        if (m_pos > m_hi) m_pos = m_lo + (m_pos - m_hi - 1);
    }
    int Pos() const { return m_pos; }
    int Lo() const { return m_lo; }
    int Hi() const { return m_hi; }

private:
    int m_lo = 0;
    int m_hi = 10;
    int m_pos = 0;
    int m_step = 1;
};

// The right edge of the status line's first part, which is where the meter starts:
// the meter fills the right-hand ninth of the line.
inline int ProgressPartEdge(int clientWidth) { return clientWidth - clientWidth / 9; }

// The frame's reaction to a timer tick: step the meter; every tenth tick rewinds
// it and stops the frame's timer 1.
class FrameTimer {
public:
    explicit FrameTimer(ProgressMeter& meter) : m_meter(meter) {}

    // Returns true when timer 1 of the frame is to be stopped now.
    bool OnTimer() {
        m_meter.Step();
        if (++m_ticks == 10) {
            m_ticks = 0;
            m_meter.SetPos(0);
            return true;
        }
        return false;
    }
    int Ticks() const { return m_ticks; }

private:
    ProgressMeter& m_meter;
    int m_ticks = 0;
};

// The status line's texts and the font it is drawn in.
inline constexpr const char* kProgressLineHelp =
    "When running L Click->halt : L Click again->restart / When halt R Click or SpaceBar...backward<- : "
    "anyKey...ahead->";
inline constexpr int kProgressLineFontHeight = 12;

// Widths of the two first panes of the standard status bar.
inline constexpr int kStatusPane0Width = 800;
inline constexpr int kStatusPane1Width = 300;

}  // namespace vantor
