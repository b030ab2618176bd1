// The engine playing through its pipes: first moves, whole games driven as a
// GUI would, the clock, pondering and searches interrupted by input.
//
// Every move the engine announces is replayed here on a position of our own
// and must be legal; the opponent's moves are chosen by a fixed rule.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "board/board.h"
#include "game/game.h"
#include "harness.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

bool is_result_line(const std::string& line) {
    return starts_with(line, "1-0 (") || starts_with(line, "0-1 (") ||
           starts_with(line, "1/2-1/2 (");
}

bool is_number(const std::string& word, bool may_be_negative) {
    const size_t first = may_be_negative && !word.empty() && word[0] == '-' ? 1 : 0;
    return word.size() > first && word.find_first_not_of("0123456789", first) == std::string::npos;
}

// "  depth score 0 nodes move ...", one space between the fields.
bool is_thinking_line(const std::string& line) {
    if (!starts_with(line, "  ") || line.size() < 3 || line[2] == ' ') return false;
    if (line.find("  ", 2) != std::string::npos || line.back() == ' ') return false;
    const auto fields = words(line);
    return fields.size() >= 5 && is_number(fields[0], false) && is_number(fields[1], true) &&
           fields[2] == "0" && is_number(fields[3], false);
}

// Lines only the console shows; xboard mode must never print them.
bool is_console_only_line(const std::string& line) {
    for (const char* head :
         {"Start clock at", "Stop clock, time remaining", "Pondering move",
          "Nodes: ", "Hashtable hits: ", "Fail-high: ", "New NPS value: ", "Search aborted"})
        if (starts_with(line, head)) return true;
    return false;
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A move in the engine's notation: coordinates, "O-O" and "O-O-O" for castling.
Move word_in(const Position& pos, const std::string& text) {
    if (text == "O-O") return pos.white_to_move ? WHITE_SHORT_CASTLE : BLACK_SHORT_CASTLE;
    if (text == "O-O-O") return pos.white_to_move ? WHITE_LONG_CASTLE : BLACK_LONG_CASTLE;
    return parse_move(pos, text.c_str());
}

// The game as we see it: our own position, fed with the announced moves.
class Referee {
  public:
    Referee() { setup_start_position(pos_, keys_.data()); }
    Referee(const Referee&) = delete;
    Referee& operator=(const Referee&) = delete;

    Move word(const std::string& text) const { return word_in(pos_, text); }
    bool play(const std::string& text) {
        const Move m = word(text);
        if (!m || !move_is_legal(pos_, m)) return false;
        make_move(pos_, m);
        plies_++;
        return true;
    }

    // A thinking line's moves must follow each other legally from here.
    bool line_is_legal(const std::vector<std::string>& moves) const {
        Position scratch = pos_;
        for (const auto& text : moves) {
            const Move m = word_in(scratch, text);
            if (text != "!" && (!m || !move_is_legal(scratch, m))) return false;
            if (text != "!") make_move(scratch, m);
        }
        return true;
    }

    std::vector<Move> legal() const {
        Move list[MAX_MOVES];
        return {list, legal_moves(pos_, list)};
    }

    // The opponent's rule: the first capture, else the first legal move.
    std::string reply() const {
        const auto moves = legal();
        for (Move m : moves)
            if (move_captured(m)) return text(m);
        return moves.empty() ? "" : text(moves.front());
    }

    bool game_over() const {
        Position copy = pos_;
        return game_end_state(pos_) != 0 || game_draw_check(copy) != 0;
    }

    static std::string text(Move m) {
        char buffer[6];
        return coordinate_text(m, buffer);
    }

    const Position& position() const { return pos_; }
    int plies() const { return plies_; }

  private:
    Position pos_{};
    // Long enough for the longest game here plus the deepest thinking line.
    std::vector<std::uint64_t> keys_ = std::vector<std::uint64_t>(4096);
    int plies_ = 0;
};

// Waits for the engine's answer to a move or go: its move line, a result
// line, or a complaint about our input. Empty on timeout.
std::string wait_answer(EngineProcess& engine, int timeout_ms = HARNESS_TIMEOUT_MS) {
    const auto line = engine.wait_for_line(
        [](const std::string& l) {
            return starts_with(l, "move ") || is_result_line(l) || starts_with(l, "Illegal move") ||
                   starts_with(l, "Error") || starts_with(l, "tellusererror");
        },
        timeout_ms);
    return line.value_or("");
}

std::string announced_move(const std::string& line) {
    return starts_with(line, "move ") ? line.substr(5) : "";
}

// Processor time the engine has used so far, in clock ticks.
long cpu_ticks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    const auto fields = words(stat.substr(close + 2));
    // Fields from the state on: utime and stime are the 12th and 13th.
    if (fields.size() < 13) return -1;
    return std::stol(fields[11]) + std::stol(fields[12]);
}

long cpu_ticks_over(pid_t pid, int ms) {
    const long before = cpu_ticks(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return cpu_ticks(pid) - before;
}

// ---- first moves ----

TEST(PlayFirstMoves, GoPlaysALegalFirstMoveForWhiteAndThinksLegalLines) {
    EngineProcess engine;
    EXPECT_EQ(engine.read_available(200), "") << "a fresh engine waits for a command";

    Referee referee;
    engine.send("go");
    const auto start = Clock::now();
    ASSERT_TRUE(engine.expect_line("Start clock at 120.00")) << engine.transcript();
    const std::string answer = wait_answer(engine);
    const double elapsed = seconds_since(start);
    const std::string move = announced_move(answer);
    ASSERT_FALSE(move.empty()) << engine.transcript();
    // Target 1.2 s with two minutes on the clock; only gross faults fail.
    EXPECT_LT(elapsed, 8.0);

    int thinking = 0;
    for (const auto& line : engine.lines()) {
        if (line == answer) break;
        if (!is_thinking_line(line)) continue;
        thinking++;
        const auto fields = words(line);
        const std::vector<std::string> pv(fields.begin() + 4, fields.end());
        EXPECT_TRUE(referee.line_is_legal(pv)) << line;
    }
    EXPECT_GT(thinking, 0) << engine.transcript();
    EXPECT_TRUE(referee.play(move)) << move;
    EXPECT_TRUE(engine.expect("Stop clock, time remaining")) << engine.transcript();

    // new, then a White move: the engine answers for Black at once.
    engine.send("new");
    engine.send("e2e4");
    const std::string reply = announced_move(wait_answer(engine));
    Referee fresh;
    ASSERT_TRUE(fresh.play("e2e4"));
    EXPECT_TRUE(fresh.play(reply)) << engine.transcript();

    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

// ---- castling in xboard mode ----

// A short game that ends with White able to mate by castling long (or by
// the king's discovered check), Black having castled short on the way.
const std::vector<std::string> castle_mate_game = {
    "d2d4", "e7e6", "g1f3", "f7f5", "b1c3", "g8f6", "c1g5", "f8e7", "g5f6", "e7f6", "e2e4", "f5e4",
    "c3e4", "b7b6", "f3e5", "e8g8", "f1d3", "c8b7", "d1h5", "d8e7", "h5h7", "g8h7", "e4f6", "h7h6",
    "e5g4", "h6g5", "h2h4", "g5f4", "g2g3", "f4f3", "d3e2", "f3g2", "h1h2", "g2g1",
};

TEST(PlayXboard, OpponentCastlingIsAcceptedAndTheEngineMatesWithALegalMove) {
    EngineProcess engine;
    engine.send("xboard");
    ASSERT_TRUE(engine.expect_line(""));
    engine.send("new");
    engine.send("force");
    Referee referee;
    for (const auto& move : castle_mate_game) {
        ASSERT_TRUE(referee.play(move)) << move;
        engine.send(move);
    }
    engine.send("time 3000");
    engine.send("go");
    const std::string answer = wait_answer(engine);
    const std::string move = announced_move(answer);
    ASSERT_FALSE(move.empty()) << engine.transcript();
    // Both mates are found at depth 1; whichever comes, it is announced in
    // the engine's notation: "O-O-O", never the king's coordinates.
    EXPECT_TRUE(move == "O-O-O" || move == "e1d2") << move;
    EXPECT_TRUE(referee.play(move)) << move;
    EXPECT_TRUE(referee.game_over());
    EXPECT_TRUE(engine.expect_line("1-0 (White mates)")) << engine.transcript();

    for (const auto& line : engine.lines()) {
        EXPECT_FALSE(starts_with(line, "Illegal move")) << line;
        EXPECT_FALSE(is_console_only_line(line)) << line;
    }
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
    // The log holds the castling as coordinates.
    const std::string log = engine.file("log.txt");
    EXPECT_NE(log.find("\ne8g8\n"), std::string::npos) << log;
}

// A whole game as a GUI drives it: one minute for the game, time and otim
// before every move, the engine playing White. Black opens with a script
// (castling short as soon as it can) and then takes the first capture, else
// the first legal move. The clock here is the GUI's: the time between our
// move and the engine's reply, charged to the engine.
TEST(PlayXboard, WholeOneMinuteGameAsAGuiDrivesIt) {
    EngineProcess engine;
    engine.send("xboard");
    ASSERT_TRUE(engine.expect_line(""));
    engine.send("protover 2");
    ASSERT_TRUE(engine.expect_line("Error (unknown command): protover 2")) << engine.transcript();
    engine.send("new");
    engine.send("level 0 1 0");

    Referee referee;
    std::vector<std::string> script = {"e7e6", "d7d5", "g8f6", "f8e7", "e8g8", "b8d7", "c7c6"};
    size_t script_next = 0;
    const double game_seconds = 60.0;
    double engine_used = 0.0;
    int engine_moves = 0;
    std::string our_move = "go";
    while (referee.plies() < 120) {
        const int left_cs = int((game_seconds - engine_used) * 100);
        ASSERT_GT(left_cs, 0) << "the engine ran out of time";
        const auto start = Clock::now();
        engine.send_raw("time " + std::to_string(left_cs) + "\notim 6000\n" + our_move + "\n");
        const std::string answer = wait_answer(engine, 20000);
        const double used = seconds_since(start);
        const std::string move = announced_move(answer);
        ASSERT_FALSE(move.empty()) << "after " << our_move << ":\n" << engine.transcript();
        engine_used += used;
        engine_moves++;
        ASSERT_TRUE(referee.play(move)) << "illegal engine move " << move;
        if (referee.game_over()) {
            EXPECT_TRUE(engine.wait_for_line(is_result_line).has_value()) << engine.transcript();
            break;
        }

        our_move.clear();
        while (script_next < script.size() && our_move.empty()) {
            const std::string& candidate = script[script_next++];
            const Move m = referee.word(candidate);
            if (m && move_is_legal(referee.position(), m)) our_move = candidate;
        }
        if (our_move.empty()) our_move = referee.reply();
        ASSERT_TRUE(referee.play(our_move));
        if (referee.game_over()) {
            engine.send(our_move);
            EXPECT_TRUE(engine.wait_for_line(is_result_line).has_value()) << engine.transcript();
            break;
        }
    }

    EXPECT_LT(engine_used, game_seconds) << engine_moves << " moves";
    for (const auto& line : engine.lines()) {
        EXPECT_FALSE(is_console_only_line(line)) << line;
        EXPECT_FALSE(starts_with(line, "Illegal move")) << line;
        EXPECT_FALSE(starts_with(line, "tellusererror")) << line;
    }
    std::printf("[ info     ] %d engine moves, %.2f s used\n", engine_moves, engine_used);
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

// ---- the clock ----

// The remaining time from a "Stop clock, time remaining %0.2f" line.
double remaining_seconds(EngineProcess& engine) {
    const auto line = engine.wait_for_line(
        [](const std::string& l) { return starts_with(l, "Stop clock, time remaining "); });
    return line ? std::atof(line->c_str() + 27) : -1.0;
}

// The first move's time at the pipe and the engine's own account of it:
// under ten seconds without increment at once, with level 40 5 0 about the
// target of 3 s (the order of magnitude is what counts).
TEST(PlayClock, FirstMoveTakesAboutTheTarget) {
    struct Case {
        const char* setting;
        const char* start;
        double min_s, max_s, min_left, max_left;
    };
    const Case cases[] = {{"time 500", "Start clock at 5.00", 0.0, 2.0, 4.5, 5.0},
                          {"level 40 5 0", "Start clock at 300.00", 1.0, 10.0, 290.0, 299.0}};
    for (const Case& c : cases) {
        EngineProcess engine;
        engine.send(c.setting);
        const auto start = Clock::now();
        engine.send("go");
        ASSERT_TRUE(engine.expect_line(c.start)) << engine.transcript();
        const std::string move = announced_move(wait_answer(engine, 30000));
        const double elapsed = seconds_since(start);
        Referee referee;
        EXPECT_TRUE(referee.play(move)) << engine.transcript();
        EXPECT_GT(elapsed, c.min_s) << c.setting;
        EXPECT_LT(elapsed, c.max_s) << c.setting;
        const double left = remaining_seconds(engine);
        EXPECT_GT(left, c.min_left) << engine.transcript();
        EXPECT_LE(left, c.max_left) << engine.transcript();
    }
}

// Sudden death with three seconds left and no increment: a hundred moves
// in a row, each charged at the pipe as a GUI would, each well inside the
// time then left, and the clock never runs out. Games that end are
// followed by new ones on the same clock.
TEST(PlayClock, AHundredMovesOnThreeSecondsNeverRunOut) {
    EngineProcess engine;
    engine.send("xboard");
    ASSERT_TRUE(engine.expect_line(""));
    double left = 3.0;
    double worst_share = 0.0, share_sum = 0.0;
    int games = 1;
    auto referee = std::make_unique<Referee>();
    for (int moves = 0; moves < 100;) {
        const std::string ours = referee->reply();
        ASSERT_TRUE(referee->play(ours));
        if (referee->game_over()) {
            engine.send(ours);
            ASSERT_TRUE(engine.wait_for_line(is_result_line).has_value()) << engine.transcript();
            engine.send("new");
            referee = std::make_unique<Referee>();
            games++;
            continue;
        }
        engine.send("time " + std::to_string(int(left * 100)));
        engine.send("otim 30000");
        const auto start = Clock::now();
        engine.send(ours);
        const std::string move = announced_move(wait_answer(engine));
        const double used = seconds_since(start);
        ASSERT_FALSE(move.empty()) << engine.transcript();
        ASSERT_TRUE(referee->play(move)) << move;
        worst_share = std::max(worst_share, used / left);
        // A poll every sixtieth of the time left at the measured node rate;
        // the pipe adds the scheduling of two processes on a busy machine.
        EXPECT_LT(used, 2 * left / 60 + 0.05) << "move " << moves << " with " << left << " s left";
        share_sum += used / left;
        left -= used;
        ASSERT_GT(left, 0.0) << "ran out of time at move " << moves;
        moves++;
        if (referee->game_over()) {
            ASSERT_TRUE(engine.wait_for_line(is_result_line).has_value()) << engine.transcript();
            engine.send("new");
            referee = std::make_unique<Referee>();
            games++;
        }
    }
    std::printf("[ info     ] %d games, %.3f s left; moves took on average 1/%.0f, at worst "
                "1/%.0f of the time left\n",
                games, left, 100 / share_sum, 1 / worst_share);
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

// ---- pondering ----

long ticks_per_second() { return sysconf(_SC_CLK_TCK); }

// Answers the engine's move with a move of ours and returns the engine's
// next move; checks both on the referee.
std::string answer_and_wait(EngineProcess& engine, Referee& referee, const std::string& ours) {
    EXPECT_TRUE(referee.play(ours)) << ours;
    engine.send(ours);
    const std::string move = announced_move(wait_answer(engine));
    EXPECT_FALSE(move.empty()) << engine.transcript();
    EXPECT_TRUE(referee.play(move)) << move;
    return move;
}

// A quiet developing move for White other than avoid, so that the games
// here last longer than the few moves they need.
std::string quiet_white_move(const Referee& referee, const std::string& avoid = "") {
    for (const char* text :
         {"g1f3", "b1c3", "d2d3", "f1e2", "c2c3", "h2h3", "a2a3", "b2b3", "g2g3"}) {
        const Move m = referee.word(text);
        if (text != avoid && m && move_is_legal(referee.position(), m)) return text;
    }
    for (Move m : referee.legal())
        if (Referee::text(m) != avoid) return Referee::text(m);
    return "";
}

TEST(PlayPonder, ConsoleAnnouncesThePonderMoveSearchesOnAndAnswersTheReply) {
    EngineProcess engine;
    engine.send("hard");
    engine.send("time 3000");
    Referee referee;
    const std::string first = answer_and_wait(engine, referee, "e2e4");

    // In console mode the clock line comes between the move and the ponder move.
    auto after = engine.next_lines(2);
    ASSERT_EQ(after.size(), 2u) << engine.transcript();
    EXPECT_TRUE(starts_with(after[0], "Stop clock, time remaining")) << after[0];
    ASSERT_TRUE(starts_with(after[1], "Pondering move ")) << after[1];
    const std::string expected = after[1].substr(15);
    const Move expected_word = referee.word(expected);
    EXPECT_TRUE(expected_word && move_is_legal(referee.position(), expected_word)) << expected;

    // Pondering is a search: it keeps a processor busy until input arrives.
    const long busy = cpu_ticks_over(engine.pid(), 500);
    EXPECT_GT(busy, ticks_per_second() / 10) << "no search while pondering";
    EXPECT_EQ(wait_answer(engine, 0), "") << "pondering announced a move";

    // The expected reply stops the ponder search and is answered on a fresh clock.
    engine.skip_to_end();
    const size_t mark = engine.cursor();
    answer_and_wait(engine, referee, expected);
    const auto since = engine.lines_since(mark);
    EXPECT_NE(std::find(since.begin(), since.end(), "Search aborted"), since.end())
        << engine.transcript();
    EXPECT_NE(std::find_if(since.begin(), since.end(),
                           [](const std::string& l) { return starts_with(l, "Start clock at"); }),
              since.end());

    // An unexpected reply is answered as well.
    auto ponder_line = engine.wait_for_line(
        [](const std::string& l) { return starts_with(l, "Pondering move "); });
    ASSERT_TRUE(ponder_line) << engine.transcript();
    answer_and_wait(engine, referee, quiet_white_move(referee, ponder_line->substr(15)));
    ASSERT_TRUE(engine.expect("Pondering move ")) << engine.transcript();

    // easy during pondering stops it; the next answer is not followed by
    // pondering and the engine stays idle.
    engine.send("easy");
    answer_and_wait(engine, referee, quiet_white_move(referee));
    EXPECT_TRUE(engine.expect("Stop clock, time remaining"));
    const long idle = cpu_ticks_over(engine.pid(), 500);
    EXPECT_LT(idle, ticks_per_second() / 20) << "still searching after easy";
    for (const auto& line : engine.lines_since(engine.cursor()))
        EXPECT_FALSE(starts_with(line, "Pondering move")) << line;

    // end of input while pondering ends the run cleanly
    engine.send("hard");
    answer_and_wait(engine, referee, quiet_white_move(referee));
    ASSERT_FALSE(referee.game_over());
    ASSERT_TRUE(engine.expect("Pondering move ")) << engine.transcript();
    finish(engine);
}

TEST(PlayPonder, XboardHintFollowsTheMoveAndQuitEndsPondering) {
    EngineProcess engine;
    engine.send("xboard");
    ASSERT_TRUE(engine.expect_line(""));
    engine.send("hard");
    engine.send("time 3000");
    Referee referee;
    answer_and_wait(engine, referee, "d2d4");
    auto hint = engine.next_lines(1);
    ASSERT_EQ(hint.size(), 1u);
    ASSERT_TRUE(starts_with(hint[0], "Hint: ")) << engine.transcript();
    const Move expected = referee.word(hint[0].substr(6));
    EXPECT_TRUE(expected && move_is_legal(referee.position(), expected)) << hint[0];

    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
    for (const auto& line : engine.lines()) EXPECT_FALSE(is_console_only_line(line)) << line;
}

// ---- searches interrupted by input ----

int count_lines_starting(const std::vector<std::string>& lines, const std::string& head) {
    return int(std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l) { return starts_with(l, head); }));
}

// Starts a search with 30 s on the clock (target 0.3 s) and returns once it runs.
void start_search(EngineProcess& engine) {
    engine.send("time 3000");
    engine.send("go");
    ASSERT_TRUE(engine.expect_line("Start clock at 30.00")) << engine.transcript();
}

// display, time and go each leave the resume flag as it was: the search
// goes on, on the clock it started with, now charged to the new time.
TEST(PlayInterrupt, DisplayTimeAndGoDuringASearchResumeItOnTheSameClock) {
    EngineProcess engine;
    start_search(engine);
    engine.send("display");
    EXPECT_TRUE(engine.expect_line("Search aborted")) << engine.transcript();
    EXPECT_TRUE(engine.expect_line("1| R| N| B| Q| K| B| N| R|1")) << engine.transcript();
    engine.send("time 5000");
    engine.send("go");
    const std::string move = announced_move(wait_answer(engine));
    Referee referee;
    EXPECT_TRUE(referee.play(move)) << engine.transcript();
    const double left = remaining_seconds(engine);
    EXPECT_LE(left, 50.0) << engine.transcript();
    EXPECT_GT(left, 40.0) << engine.transcript();
    EXPECT_EQ(count_lines_starting(engine.lines(), "Start clock at"), 1) << engine.transcript();
    EXPECT_EQ(count_lines_starting(engine.lines(), "move "), 1) << engine.transcript();
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);
}

TEST(PlayInterrupt, QuitOrEndOfInputDuringASearchEndsTheRunWithZero) {
    {
        EngineProcess engine;
        start_search(engine);
        engine.send("quit");
        EXPECT_EQ(engine.wait_exit(), 0);
        EXPECT_EQ(count_lines_starting(engine.lines(), "move "), 0) << engine.transcript();
    }
    {
        EngineProcess engine;
        start_search(engine);
        finish(engine);
        EXPECT_EQ(count_lines_starting(engine.lines(), "move "), 0) << engine.transcript();
    }
}

} // namespace
