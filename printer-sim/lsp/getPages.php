<?php
sim_require_method('GET');
$pages = sim_with_state(function (array &$state) {
    return $state['pages'];
});
sim_answer(200, (string)$pages);
