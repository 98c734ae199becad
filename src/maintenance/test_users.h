#ifndef TEST_USERS_H
#define TEST_USERS_H

#include <QString>

#include <vector>

// The records of the bulk test-user generator: one administrator, ten users
// and fifty visitors per user, named and numbered after their ids so that a
// run can be recognised on the controller.

// One record of a run: its category and the place in the run of its owner
// (-1 for the administrator, who owns itself).
struct TestUserStep
{
    int categoria = 0;
    int owner = -1;
};

// The whole run in the order it is written: the administrator, then each
// user followed by its visitors, so that every owner is on the controller
// before what it owns.
std::vector<TestUserStep> test_user_plan(int users_per_admin, int visitors_per_user);

// "Admin test", "USER <id>", "GUEST <id>".
QString test_user_name(int categoria, int id);

// "+56100<id>" for the administrator, "+562000<id>" for users and visitors,
// padded to twelve characters (see padded_number).
QString test_user_number(int categoria, int id);

// Zeros are inserted after the fourth character ("+561", "+562") until the
// number has twelve characters; a longer number stays as it is.
QString padded_number(const QString &number);

#endif
