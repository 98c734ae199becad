#ifndef TEST_USER_GENERATOR_H
#define TEST_USER_GENERATOR_H

#include "operation.h"
#include "user_record.h"

// "Add 500 u x 1": a whole three-level hierarchy of test users written
// through the ordinary upload, record by record, from the id the
// controller's NEXT gives.
class GenerateTestUsers : public Operation
{
    Q_OBJECT

public:
    using Operation::Operation;

    int users_per_admin = 10;
    int visitors_per_user = 50;
    // The ids the records take; the run leaves it past every id written.
    IdCounter ids;
    // How many records went out.
    int sent() const { return written; }

signals:
    // One more record went out.
    void record_sent(int count);

protected:
    OperationResult run() override;

private:
    int written = 0;
};

// NEXT inside a running operation: the controller's next free id into
// `ids`, which keeps counting without it. False when the line did not go out.
bool ask_next_id(AdminCore &core, IdCounter &ids);

#endif
