#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/io.hpp"
#include "support/in_temp_directory.hpp"

namespace {

using test_support::TempDir;

// Each test runs in a fresh directory with no unit connected but 5 and 6.
class Units : public test_support::InTempDirectory {
 protected:
  std::string fatal_message(auto&& statement) {
    try {
      statement();
    } catch (const rt::FatalError& e) {
      return e.what();
    }
    return "(no diagnostic)";
  }
};

TEST_F(Units, OpenStatusesAndTheirFailures) {
  EXPECT_EQ(rt::open(10, "missing.gpx   ", rt::OpenStatus::old, rt::on_err), rt::IoStatus::error);
  EXPECT_FALSE(dir_.exists("missing.gpx"));
  EXPECT_EQ(fatal_message([] { rt::open(10, "missing.gpx", rt::OpenStatus::old); }),
            "ride_estimate: unite 10 (missing.gpx): ouverture ou creation impossible (No such file or directory)");

  EXPECT_EQ(rt::open(30, "a.trk", rt::OpenStatus::new_file, rt::on_err), rt::IoStatus::ok);
  EXPECT_TRUE(dir_.exists("a.trk"));
  EXPECT_EQ(rt::open(31, "a.trk", rt::OpenStatus::new_file, rt::on_err), rt::IoStatus::error);
  EXPECT_EQ(rt::open(20, "scratch", rt::OpenStatus::unknown), rt::IoStatus::ok);
  EXPECT_TRUE(dir_.exists("scratch"));

  std::filesystem::create_directory(dir_ / "d.trk");
  for (auto status : {rt::OpenStatus::old, rt::OpenStatus::unknown, rt::OpenStatus::new_file})
    EXPECT_EQ(rt::open(32, "d.trk", status, rt::on_err), rt::IoStatus::error);
}

TEST_F(Units, OpenNeverEmptiesAndRewindOrCloseCutAfterTheLastRecord) {
  dir_.write("w.txt", "old line one\nold line two\nold line three\n");
  rt::open(40, "w.txt", rt::OpenStatus::old);
  EXPECT_EQ(dir_.read("w.txt"), "old line one\nold line two\nold line three\n");
  rt::write_list(40, {"new"});
  rt::rewind(40);
  EXPECT_EQ(dir_.read("w.txt"), " new\n");

  // Rewinding after reading only goes back to the start.
  rt::Text<10> first;
  rt::read_list(40, {first});
  rt::rewind(40);
  EXPECT_EQ(dir_.read("w.txt"), " new\n");

  // Closing after a WRITE cuts as well.
  dir_.write("v.txt", "0123456789\n0123456789\n");
  rt::open(41, "v.txt", rt::OpenStatus::unknown);
  static const rt::Format a("(A)");
  rt::write_formatted(41, a, {"ab"});
  EXPECT_EQ(rt::close_all(), "");
  EXPECT_EQ(dir_.read("v.txt"), "ab\n");
}

TEST_F(Units, WriteThenRewindThenReadBack) {
  rt::open(20, "scratch", rt::OpenStatus::unknown);
  static const rt::Format f("(F12.1,4F8.2)");
  rt::write_formatted(20, f, {0.0f, 85.0f});
  rt::write_formatted(20, f, {100.0f, 95.0f, 85.0f, 100.0f, 10.0f});
  rt::rewind(20);
  float d = -1, e = -1;
  ASSERT_EQ(rt::read_list(20, {d, e}, rt::on_end), rt::IoStatus::ok);
  EXPECT_EQ(d, 0.0f);
  EXPECT_EQ(e, 85.0f);
  ASSERT_EQ(rt::read_list(20, {d, e}, rt::on_end), rt::IoStatus::ok);
  EXPECT_EQ(d, 100.0f);
  EXPECT_EQ(e, 95.0f);
  EXPECT_EQ(rt::read_list(20, {d, e}, rt::on_end), rt::IoStatus::end);
  EXPECT_EQ(rt::read_list(20, {d, e}, rt::on_end), rt::IoStatus::end);  // stays at the end
  EXPECT_EQ(fatal_message([&] { rt::read_list(20, {d, e}); }), "ride_estimate: unite 20 (scratch): fin de fichier");
}

TEST_F(Units, FormattedTextInputTakesEightyColumns) {
  const std::string long_line(100, 'x');
  dir_.write("r.gpx", "short\n" + long_line + "\n\nlast line without end");
  rt::open(10, "r.gpx", rt::OpenStatus::old, rt::on_err, rt::Access::read_only);
  static const rt::Format a80("(A80)");
  rt::Text<80> line;
  std::vector<std::string> got;
  while (rt::read_formatted(10, a80, {line}, rt::on_end_err) == rt::IoStatus::ok) got.emplace_back(line.view());
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0], "short" + std::string(75, ' '));
  EXPECT_EQ(got[1], std::string(80, 'x'));
  EXPECT_EQ(got[2], std::string(80, ' '));
  EXPECT_EQ(got[3], "last line without end" + std::string(59, ' '));
}

TEST_F(Units, ListInputErrorsAreReportedAndTheNextReadStartsOnTheNextRecord) {
  dir_.write("in.txt", "abc 12\n250\n");
  rt::open(11, "in.txt", rt::OpenStatus::old);
  float p = 7.0f;
  EXPECT_EQ(rt::read_list(11, {p}, rt::on_err), rt::IoStatus::error);
  EXPECT_EQ(p, 7.0f);
  EXPECT_EQ(rt::read_list(11, {p}, rt::on_err), rt::IoStatus::ok);
  EXPECT_EQ(p, 250.0f);
  rt::rewind(11);
  EXPECT_EQ(fatal_message([&] { rt::read_list(11, {p}); }), "ride_estimate: unite 11 (in.txt): valeur illisible");
}

TEST_F(Units, AReadOnlyUnitIsNeverWritten) {
  dir_.write("route.gpx", "content\n");
  rt::open(10, "route.gpx", rt::OpenStatus::old, rt::on_err, rt::Access::read_only);
  EXPECT_NE(fatal_message([] { rt::write_list(10, {"x"}); }), "(no diagnostic)");
  rt::close_all();
  EXPECT_EQ(dir_.read("route.gpx"), "content\n");
}

TEST_F(Units, AFailedWriteIsReported) {
  std::filesystem::create_symlink("/dev/full", dir_ / "full.txt");
  rt::open(40, "full.txt", rt::OpenStatus::old);
  rt::write_list(40, {"header"});  // buffered
  EXPECT_EQ(rt::close_all(), "ride_estimate: unite 40 (full.txt): ecriture impossible (No space left on device)");
}

// The whole program around a body: statuses, diagnostics, signals.
int run_in_child(void (*body)(), int signal_to_send = 0) {
  int in_pipe[2];
  EXPECT_EQ(::pipe(in_pipe), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in_pipe[0], 0);
    ::close(in_pipe[1]);
    const int err_fd = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(err_fd, 2);
    ::_exit(rt::run_program(body));
  }
  ::close(in_pipe[0]);
  if (signal_to_send != 0) {
    for (int k = 0; k < 500 && !std::filesystem::exists("ready"); ++k) ::usleep(10000);
    ::usleep(20000);
    ::kill(pid, signal_to_send);
  }
  ::close(in_pipe[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

TEST_F(Units, ProgramEndsWithStopStatusOrDiagnostic) {
  EXPECT_EQ(run_in_child([] { rt::stop(); }), 0);
  EXPECT_EQ(run_in_child([] { rt::stop(1); }), 1);
  EXPECT_EQ(run_in_child([] {
              float p;
              rt::read_list(5, {p});  // end of input, no branch
            }),
            2);
  EXPECT_EQ(dir_.read("stderr.txt"), "ride_estimate: unite 5 (entree standard): fin de fichier\n");
}

TEST_F(Units, SignalsCloseEveryUnitUnderTheFileRule) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    dir_.write("detail.txt", std::string(5000, 'z') + "\n");
    std::filesystem::remove("ready");
    const int status = run_in_child(
        [] {
          rt::open(40, "detail.txt", rt::OpenStatus::old);
          rt::write_list(40, {"   Temps"});
          ::close(::open("ready", O_WRONLY | O_CREAT, 0644));  // now waiting
          float p;
          rt::read_list(5, {p});  // waits for the signal
        },
        sig);
    EXPECT_EQ(status, 128 + sig);
    EXPECT_EQ(dir_.read("detail.txt"), "    Temps\n");
  }
}

}  // namespace
