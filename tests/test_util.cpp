#include "test_util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <sstream>

#include "game/game.h"
#include "search/search.h"
#include "shell/shell.h"

namespace {

struct TablesEnvironment : ::testing::Environment {
    void SetUp() override { init_tables(); }
};
[[maybe_unused]] ::testing::Environment* const tables_environment =
    ::testing::AddGlobalTestEnvironment(new TablesEnvironment);

const char* const white_cycle[6] = {"g1f3", "f3h4", "b1c3", "h4f3", "f3g1", "c3b1"};
const char* const black_cycle[10] = {"g8f6", "f6d5", "b8c6", "c6e5", "e5g6",
                                     "d5f6", "f6g8", "g6e5", "e5c6", "c6b8"};

} // namespace

std::uint64_t test_keys[KEY_HISTORY_SIZE];

const char* const walk_positions[7] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
};

Bitboard squares(std::initializer_list<const char*> names) {
    Bitboard b = 0;
    for (const char* n : names) b |= Bitboard(1) << sq(n);
    return b;
}

bool on_board(int r, int f) { return r >= 0 && r < 8 && f >= 0 && f < 8; }

Move word(const char* from, const char* to, int piece, int captured, int promotion) {
    return make_move_word(sq(from), sq(to), piece, captured, promotion);
}

Position from_fen(const char* fen) {
    Position pos{};
    EXPECT_EQ(setup_from_fen(pos, fen, test_keys), 1) << fen;
    return pos;
}

Position start() {
    Position pos{};
    setup_start_position(pos, test_keys);
    return pos;
}

void play_moves(Position& pos, const char* moves) {
    std::istringstream in(moves);
    std::string text;
    while (in >> text) {
        const Move m = parse_move(pos, text.c_str());
        ASSERT_TRUE(m != 0 && move_is_legal(pos, m)) << text;
        make_move(pos, m);
    }
}

bool same_state(const Position& a, const Position& b) {
    // Three stretches without padding: up to the castling flags, up to the
    // history pointers, and from the repetition flag to the end.
    auto same = [&](std::size_t from, std::size_t to) {
        return std::memcmp(reinterpret_cast<const char*>(&a) + from,
                           reinterpret_cast<const char*>(&b) + from, to - from) == 0;
    };
    return same(0, offsetof(Position, castle_black_long) + sizeof a.castle_black_long) &&
           same(offsetof(Position, unmoved), offsetof(Position, history_start)) &&
           same(offsetof(Position, repetition), sizeof(Position));
}

namespace {
template <typename T>
void keep(std::vector<std::function<void()>>& restore, T& global) {
    restore.push_back([&global, value = global] { global = value; });
}
} // namespace

SavedGlobals::SavedGlobals() {
    for (std::int32_t* g :
         {&time_left, &increment, &force_mode, &engine_colour, &plies_played, &xboard_mode,
          &abort_search, &abort_by_input, &pondering, &root_move_done, &root_score,
          &last_iteration_score, &max_iteration_depth, &target_time, &max_time, &poll_countdown})
        keep(restore_, *g);
    for (std::uint32_t* g : {&nps_estimate, &clock_start, &poll_interval}) keep(restore_, *g);
    keep(restore_, branch_factor);
}

SavedGlobals::~SavedGlobals() {
    for (const auto& put_back : restore_) put_back();
}

const HashEntry& slot(std::uint64_t key) {
    return transposition_table[std::uint32_t(key) & hash_mask];
}

void clear_move_ordering() {
    std::fill(std::begin(killer1), std::end(killer1), 0u);
    std::fill(std::begin(killer2), std::end(killer2), 0u);
    std::fill(std::begin(history), std::end(history), 0);
}

void start_node(int ply, Move hash) {
    move_phase[ply] = 0;
    list_next[ply] = list_end[ply] = move_list[ply];
    hash_move[ply] = hash;
}

const std::vector<std::string> fools_mate = {"f2f3", "e7e5", "g2g4", "d8h4"};
const std::vector<std::string> knights_dance = {"g1f3", "g8f6", "f3g1", "f6g8",
                                                "g1f3", "g8f6", "f3g1", "f6g8"};
const std::vector<std::string> quick_stalemate = {
    "e2e3", "a7a5", "d1h5", "a8a6", "h5a5", "h7h5", "h2h4", "a6h6", "a5c7", "f7f6",
    "c7d7", "e8f7", "d7b7", "d8d3", "b7b8", "d3h7", "b8c8", "f7g6", "c8e6"};

std::string shuffle_move(int ply) {
    return ply % 2 == 0 ? white_cycle[(ply / 2) % 6] : black_cycle[(ply / 2) % 10];
}

bool starts_with(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

void send_all(EngineProcess& engine, const std::vector<std::string>& lines) {
    for (const auto& line : lines) engine.send(line);
}

void finish(EngineProcess& engine) {
    engine.close_input();
    EXPECT_EQ(engine.wait_exit(), 0) << engine.transcript();
}

bool is_directory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void expect_silence(EngineProcess& engine, int timeout_ms) {
    engine.send("printmove 5900");
    const auto lines = engine.next_lines(1, timeout_ms);
    ASSERT_EQ(lines.size(), 1u) << engine.transcript();
    EXPECT_EQ(lines[0], "e2e4") << engine.transcript();
}
