#pragma once

// Puts printing (job 6), the page view (job 7) and printer setup (job 69) behind the page editor's
// commands.
class PrintJobs
{
public:
    static void install();
};
