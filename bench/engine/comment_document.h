#pragma once
// A deterministic comment-server answer of the shape the service sends: one thread element,
// a view counter and `count` chats (about 150 bytes each) with the usual mix of anonymous and
// premium posters, mail commands, Japanese text, a few entities and a few deleted comments.

#include <string>

std::string makeCommentDocument(int count);
