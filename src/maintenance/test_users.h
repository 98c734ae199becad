#ifndef TEST_USERS_H
#define TEST_USERS_H

#include <QString>

// The records of the bulk test-user generator: one administrator, ten users
// and fifty visitors per user, named and numbered after their ids so that a
// run can be recognised on the controller.

// "Admin test", "USER <id>", "GUEST <id>".
QString test_user_name(int categoria, int id);

// "+56100<id>" for the administrator, "+562000<id>" for users and visitors,
// padded to twelve characters (see padded_number).
QString test_user_number(int categoria, int id);

// Zeros are inserted after the fourth character ("+561", "+562") until the
// number has twelve characters; a longer number stays as it is.
QString padded_number(const QString &number);

#endif
