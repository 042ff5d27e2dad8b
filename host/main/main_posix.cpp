#include "cli/command.h"

int main(int argc, char** argv) {
  return tessaly::run_tessaly({argv, argv + argc});
}
