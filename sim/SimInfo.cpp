// Placeholder so the simulator library is never empty.
namespace sim {
const char *name() { return "brezzano-sim"; }
} // namespace sim
