#include "planet/planet_factory_host.h"

namespace gravelkin {

bool PlanetFactoryHost::beginJob(ChunkRequest& out) {
    // Counted as active before the pop, so that idle() never sees a popped
    // request in neither the queue nor a job.
    state_.activeJobs.fetch_add(1, std::memory_order_seq_cst);
    if (state_.requests.tryPop(out)) return true;
    state_.activeJobs.fetch_sub(1, std::memory_order_seq_cst);
    return false;
}

}  // namespace gravelkin
